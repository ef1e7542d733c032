#pragma once

#include <QtGlobal>
#include <fcntl.h>
#include <memory>
#include <span>
#include <sys/types.h>

namespace vambrel {

// One name to look at: its lstat data, and for a regular file whether it begins with the two
// bytes of an executable image ("MZ").
struct ProbeEntry {
    int folderFd = AT_FDCWD;    // `name` is relative to it
    const char* name = nullptr; // NUL-terminated; must stay valid while the probe works
    bool wantSignature = false; // set by the caller between stat() and readSignatures()

    int statError = 0; // errno of the lstat; the fields below are valid only when it is 0
    mode_t mode = 0;
    qint64 size = 0;
    qint64 mtimeSeconds = 0;
    qint32 mtimeNanoseconds = 0;
    quint64 device = 0;
    bool imageSignature = false; // opened, read, and its first two bytes are "MZ"
};

// Looks at many names of one or several open folders with as few system calls as the kernel
// allows: on Linux the opens, reads and closes of a whole batch go through one io_uring
// submission; where a ring cannot be set up (old kernel, a sandbox that forbids it, or the
// environment variable VAMBREL_PLAIN_IO set) the same work is done one call at a time. Both paths
// give the same results. One probe serves one thread at a time.
class FileProbe {
public:
    FileProbe();
    ~FileProbe();
    FileProbe(const FileProbe&) = delete;
    FileProbe& operator=(const FileProbe&) = delete;

    // True when batches go through a ring.
    bool batched() const;

    // The lstat of every entry: never follows a link.
    void stat(std::span<ProbeEntry> entries);
    // For every entry whose wantSignature is set: opens the name (never through a link, never
    // waiting on a FIFO), reads its first two bytes and closes it.
    void readSignatures(std::span<ProbeEntry> entries);

    // The probe of the calling thread, made on first use.
    static FileProbe& forThread();

private:
    struct Ring;
    std::unique_ptr<Ring> m_ring; // null: the plain path
};

} // namespace vambrel
