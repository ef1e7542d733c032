// Faults on demand for the file-system calls of the platform layer: a test installs a
// FaultInjector, which counts every call by kind and makes the calls it was armed for fail with
// the chosen error, or makes an entry vanish from the disk right after a folder listing named it.
// One injector at a time; it puts the real calls back when it goes.
#pragma once

#include "SystemCalls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <vector>

namespace vambrel::test {

enum class FsCall {
    Open,
    OpenAt,
    Close,
    Read,
    Pread,
    Write,
    Fstat,
    FstatAt,
    GetDents,
    MkTemp,
    Rename,
    Unlink,
    Fsync,
};
inline constexpr int kFsCallKinds = 13;

inline const char* FsCallName(FsCall call) {
    static const char* const names[kFsCallKinds] = {"open",   "openat", "close",   "read",       "pread",
                                                    "write",  "fstat",  "fstatat", "getdents64", "mkostemp",
                                                    "rename", "unlink", "fsync"};
    return names[int(call)];
}

class FaultInjector {
public:
    FaultInjector() {
        s_active = this;
        sys::SetCalls(&kTable);
    }
    ~FaultInjector() {
        sys::SetCalls(nullptr);
        s_active = nullptr;
    }
    FaultInjector(const FaultInjector&) = delete;
    FaultInjector& operator=(const FaultInjector&) = delete;

    // Call number `at` (from 1) of `call` fails with `error`; with `persistent`, every later one
    // too (a disk that stays full). Several faults may be armed.
    void arm(FsCall call, int at, int error, bool persistent = false) {
        m_faults.push_back(Fault{call, at, error, persistent});
    }
    // Once a folder listing has named the entry `path`, the entry is removed from the disk (a
    // folder with all it holds) before the caller can look at it.
    void vanishAfterListing(const QString& path) {
        m_vanishPath = path;
        m_vanishName = QFile::encodeName(QFileInfo(path).fileName());
    }

    // No fault any more (the work is over; what follows checks its outcome). Returns the faults
    // injected, a vanished entry included.
    int disarm() {
        m_faults.clear();
        m_vanishName.clear();
        return m_injected.load() + (m_vanished.load() ? 1 : 0);
    }
    int count(FsCall call) const { return m_counts[size_t(call)].load(); }
    int injected() const { return m_injected.load(); }
    bool vanished() const { return m_vanished.load(); }

private:
    struct Fault {
        FsCall call;
        int at;
        int error;
        bool persistent;
    };

    // Counts the call; true (with errno set) when it must fail.
    static bool hit(FsCall call) {
        FaultInjector* self = s_active;
        if (self == nullptr)
            return false;
        const int n = ++self->m_counts[size_t(call)];
        for (const Fault& f : self->m_faults) {
            if (f.call == call && (n == f.at || (f.persistent && n > f.at))) {
                ++self->m_injected;
                errno = f.error;
                return true;
            }
        }
        return false;
    }
    static const sys::Calls& real() { return sys::RealCalls(); }

    // Looks through the records a folder read returned.
    static void vanishIfNamed(const char* records, ssize_t size) {
        FaultInjector* self = s_active;
        if (self == nullptr || size <= 0 || self->m_vanishName.isEmpty())
            return;
        bool named = false;
        // A record is shorter than the structure, whose name field has room for the longest name.
        for (ssize_t at = 0; at + ssize_t(offsetof(dirent64, d_name)) < size;) {
            const auto* d = reinterpret_cast<const dirent64*>(records + at);
            if (d->d_reclen == 0 || at + d->d_reclen > size)
                break;
            if (self->m_vanishName == QByteArray(d->d_name)) {
                named = true;
                break;
            }
            at += d->d_reclen;
        }
        if (!named)
            return;
        std::lock_guard lock(self->m_vanishMutex);
        if (self->m_vanished)
            return;
        const QFileInfo info(self->m_vanishPath);
        if (info.isDir() && !info.isSymLink())
            QDir(self->m_vanishPath).removeRecursively();
        else
            QFile::remove(self->m_vanishPath);
        self->m_vanished = true;
    }

    static inline const sys::Calls kTable{
        [](const char* p, int f, mode_t m) { return hit(FsCall::Open) ? -1 : real().open(p, f, m); },
        [](int d, const char* p, int f, mode_t m) {
            return hit(FsCall::OpenAt) ? -1 : real().openat(d, p, f, m);
        },
        [](int fd) {
            // The descriptor is gone even when close reports an error, as on Linux.
            const int rc = real().close(fd);
            return hit(FsCall::Close) ? -1 : rc;
        },
        [](int fd, void* b, size_t n) -> ssize_t { return hit(FsCall::Read) ? -1 : real().read(fd, b, n); },
        [](int fd, void* b, size_t n, off_t o) -> ssize_t {
            return hit(FsCall::Pread) ? -1 : real().pread(fd, b, n, o);
        },
        [](int fd, const void* b, size_t n) -> ssize_t {
            return hit(FsCall::Write) ? -1 : real().write(fd, b, n);
        },
        [](int fd, struct stat* st) { return hit(FsCall::Fstat) ? -1 : real().fstat(fd, st); },
        [](int d, const char* p, struct stat* st, int f) {
            return hit(FsCall::FstatAt) ? -1 : real().fstatat(d, p, st, f);
        },
        [](int fd, void* b, size_t n) -> ssize_t {
            if (hit(FsCall::GetDents))
                return -1;
            const ssize_t got = real().getdents64(fd, b, n);
            vanishIfNamed(static_cast<const char*>(b), got);
            return got;
        },
        [](char* p, int f) { return hit(FsCall::MkTemp) ? -1 : real().mkostemp(p, f); },
        [](const char* a, const char* b) { return hit(FsCall::Rename) ? -1 : real().rename(a, b); },
        [](const char* p) { return hit(FsCall::Unlink) ? -1 : real().unlink(p); },
        [](int fd) { return hit(FsCall::Fsync) ? -1 : real().fsync(fd); },
    };
    static inline std::atomic<FaultInjector*> s_active{nullptr};

    std::array<std::atomic<int>, kFsCallKinds> m_counts{};
    std::atomic<int> m_injected{0};
    std::vector<Fault> m_faults;
    QString m_vanishPath;
    QByteArray m_vanishName;
    std::mutex m_vanishMutex;
    std::atomic<bool> m_vanished{false};
};

} // namespace vambrel::test
