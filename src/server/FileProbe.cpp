#include "FileProbe.h"

#include "FileDescriptor.h"
#include "SystemCalls.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <liburing.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vambrel {

namespace {

// Opened files are never waited on (a FIFO put in a listed file's place), never followed
// through a link, and never become a controlling terminal.
constexpr int kOpenFlags = O_RDONLY | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;

void fillFromStat(ProbeEntry& e, const struct stat& st) {
    e.mode = st.st_mode;
    e.size = qint64(st.st_size);
    e.mtimeSeconds = qint64(st.st_mtim.tv_sec);
    e.mtimeNanoseconds = qint32(st.st_mtim.tv_nsec);
    e.device = quint64(st.st_dev);
}

bool isImageStart(const char* bytes) {
    return bytes[0] == 'M' && bytes[1] == 'Z';
}

void plainStat(ProbeEntry& e) {
    struct stat st {};
    if (sys::fstatat(e.folderFd, e.name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        e.statError = 0;
        fillFromStat(e, st);
    } else {
        e.statError = errno;
    }
}

void plainSignature(ProbeEntry& e) {
    const FileDescriptor fd(sys::openat(e.folderFd, e.name, kOpenFlags | O_CLOEXEC));
    char bytes[2];
    e.imageSignature = fd.isValid() && sys::pread(fd.get(), bytes, 2, 0) == 2 && isImageStart(bytes);
}

bool plainRequested() {
    const char* v = std::getenv("VAMBREL_PLAIN_IO");
    return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
}

} // namespace

struct FileProbe::Ring {
    // Submission entries per batch; a signature takes three (open, read, close) and one slot
    // of the ring's table of direct descriptors.
    static constexpr unsigned kEntries = 256;
    static constexpr unsigned kSlots = kEntries / 3;

    io_uring ring{};
    bool ready = false;
    std::array<std::array<char, 2>, kSlots> heads{};

    Ring() {
        io_uring_params params{};
        // The ring is used by one thread, which waits for all it submitted: the kernel need not
        // interrupt it to run completions.
        params.flags = IORING_SETUP_SINGLE_ISSUER | IORING_SETUP_COOP_TASKRUN;
        if (io_uring_queue_init_params(kEntries, &ring, &params) != 0) {
            params = {};
            if (io_uring_queue_init_params(kEntries, &ring, &params) != 0)
                return;
        }
        // Direct descriptors: an open, a read of what it opened and its close can be linked in one
        // submission, and never enter the process's descriptor table.
        if (io_uring_register_files_sparse(&ring, kSlots) != 0) {
            io_uring_queue_exit(&ring);
            return;
        }
        ready = true;
    }
    ~Ring() {
        if (ready)
            io_uring_queue_exit(&ring);
    }
    Ring(const Ring&) = delete;
    Ring& operator=(const Ring&) = delete;

    // Submits what was prepared and hands each of the `count` completions to `done`. False when
    // the ring failed; the caller then does the batch the plain way.
    template <typename Done> bool complete(unsigned count, Done&& done) {
        unsigned seen = 0;
        int rc = io_uring_submit_and_wait(&ring, count);
        if (rc < 0 && rc != -EINTR)
            return false; // the caller drops the ring, and with it anything still queued
        while (seen < count) {
            io_uring_cqe* cqe = nullptr;
            rc = io_uring_wait_cqe(&ring, &cqe);
            if (rc == -EINTR)
                continue;
            if (rc < 0)
                return false;
            done(cqe->user_data, cqe->res);
            io_uring_cqe_seen(&ring, cqe);
            ++seen;
        }
        return true;
    }

    bool readSignatures(std::span<ProbeEntry> entries) {
        std::array<size_t, kSlots> slotOf{};
        size_t i = 0;
        while (i < entries.size()) {
            unsigned used = 0;
            for (; i < entries.size() && used < kSlots; ++i) {
                ProbeEntry& e = entries[i];
                e.imageSignature = false;
                if (!e.wantSignature)
                    continue;
                const unsigned slot = used++;
                slotOf[slot] = i;
                heads[slot] = {0, 0};
                // Hard links: the read and the close run even when the step before them failed
                // (they then fail too), so that no slot keeps a file open.
                io_uring_sqe* open = io_uring_get_sqe(&ring);
                io_uring_prep_openat_direct(open, e.folderFd, e.name, kOpenFlags, 0, slot);
                open->flags |= IOSQE_IO_HARDLINK;
                io_uring_sqe_set_data64(open, slot * 4 + 0);
                io_uring_sqe* read = io_uring_get_sqe(&ring);
                io_uring_prep_read(read, int(slot), heads[slot].data(), 2, 0);
                read->flags |= IOSQE_FIXED_FILE | IOSQE_IO_HARDLINK;
                io_uring_sqe_set_data64(read, slot * 4 + 1);
                io_uring_sqe* close = io_uring_get_sqe(&ring);
                io_uring_prep_close_direct(close, slot);
                io_uring_sqe_set_data64(close, slot * 4 + 2);
            }
            if (used == 0)
                break;
            const bool ok = complete(used * 3, [&](quint64 data, int res) {
                if (data % 4 == 1 && res == 2) {
                    const unsigned slot = unsigned(data / 4);
                    entries[slotOf[slot]].imageSignature = isImageStart(heads[slot].data());
                }
            });
            if (!ok)
                return false;
        }
        return true;
    }
};

FileProbe::FileProbe() {
    if (plainRequested())
        return;
    auto ring = std::make_unique<Ring>();
    if (ring->ready)
        m_ring = std::move(ring);
}

FileProbe::~FileProbe() = default;

bool FileProbe::batched() const {
    return m_ring != nullptr;
}

// The kernel hands every statx of a ring to a worker thread, which costs more than the system
// call it saves: lstats are made here, one call each.
void FileProbe::stat(std::span<ProbeEntry> entries) {
    for (ProbeEntry& e : entries)
        plainStat(e);
}

void FileProbe::readSignatures(std::span<ProbeEntry> entries) {
    // Calls replaced by a test are not bypassed through the ring.
    if (m_ring && sys::UsingRealCalls()) {
        if (m_ring->readSignatures(entries))
            return;
        m_ring.reset(); // a ring that failed once is not trusted again
    }
    for (ProbeEntry& e : entries) {
        e.imageSignature = false;
        if (e.wantSignature)
            plainSignature(e);
    }
}

FileProbe& FileProbe::forThread() {
    thread_local FileProbe probe;
    return probe;
}

} // namespace vambrel
