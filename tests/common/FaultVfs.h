// The database engine's own file calls, failed on demand: a thin VFS registered as the default
// that wraps the engine's default one, counts the calls by kind and fails the armed ones with
// the chosen result code (SQLITE_FULL for a disk that fills, SQLITE_IOERR_* for a failing one).
// One at a time; the previous default comes back when it goes.
#pragma once

#include <array>
#include <atomic>
#include <sqlite3.h>
#include <vector>

namespace vambrel::test {

enum class VfsCall { Open, Delete, Read, Write, Truncate, Sync };
inline constexpr int kVfsCallKinds = 6;

inline const char* VfsCallName(VfsCall call) {
    static const char* const names[kVfsCallKinds] = {"xOpen",  "xDelete",   "xRead",
                                                     "xWrite", "xTruncate", "xSync"};
    return names[int(call)];
}

class FaultVfs {
public:
    FaultVfs() {
        m_real = sqlite3_vfs_find(nullptr);
        m_vfs = *m_real;
        m_vfs.iVersion = 1; // no shared memory or memory mapping: every page goes through xRead
        m_vfs.pNext = nullptr;
        m_vfs.szOsFile = int(sizeof(File)) + m_real->szOsFile;
        m_vfs.zName = "vambrel-fault";
        m_vfs.pAppData = this;
        m_vfs.xOpen = &FaultVfs::xOpen;
        m_vfs.xDelete = &FaultVfs::xDelete;
        s_active = this;
        m_ok = sqlite3_vfs_register(&m_vfs, 1) == SQLITE_OK;
    }
    ~FaultVfs() {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(m_real, 1);
        s_active = nullptr;
    }
    FaultVfs(const FaultVfs&) = delete;
    FaultVfs& operator=(const FaultVfs&) = delete;

    bool isValid() const { return m_ok; }
    // Call number `at` (from 1) of `call` fails with `code`; with `persistent`, every later one too.
    void arm(VfsCall call, int at, int code, bool persistent = false) {
        m_faults.push_back(Fault{call, at, code, persistent});
    }
    // No fault any more (the job is over; what follows checks its outcome). Returns the faults injected.
    int disarm() {
        m_faults.clear();
        return m_injected.load();
    }
    int count(VfsCall call) const { return m_counts[size_t(call)].load(); }
    int injected() const { return m_injected.load(); }

private:
    struct Fault {
        VfsCall call;
        int at;
        int code;
        bool persistent;
    };
    struct File {
        sqlite3_file base;
        sqlite3_file* real; // right after this structure
    };

    static int hit(VfsCall call) {
        FaultVfs* self = s_active;
        if (self == nullptr)
            return SQLITE_OK;
        const int n = ++self->m_counts[size_t(call)];
        for (const Fault& f : self->m_faults) {
            if (f.call == call && (n == f.at || (f.persistent && n > f.at))) {
                ++self->m_injected;
                return f.code;
            }
        }
        return SQLITE_OK;
    }
    static sqlite3_vfs* realOf(sqlite3_vfs* vfs) { return static_cast<FaultVfs*>(vfs->pAppData)->m_real; }
    static sqlite3_file* realOf(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }

    static int xOpen(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
        File* f = reinterpret_cast<File*>(file);
        f->base.pMethods = nullptr;
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        if (const int rc = hit(VfsCall::Open))
            return rc;
        const int rc = realOf(vfs)->xOpen(realOf(vfs), name, f->real, flags, outFlags);
        if (f->real->pMethods != nullptr)
            f->base.pMethods = &kMethods;
        return rc;
    }
    static int xDelete(sqlite3_vfs* vfs, const char* name, int syncDir) {
        if (const int rc = hit(VfsCall::Delete))
            return rc;
        return realOf(vfs)->xDelete(realOf(vfs), name, syncDir);
    }

    static inline const sqlite3_io_methods kMethods{
        1,
        [](sqlite3_file* f) {
            sqlite3_file* real = realOf(f);
            const int rc = real->pMethods->xClose(real);
            f->pMethods = nullptr;
            return rc;
        },
        [](sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
            if (const int rc = hit(VfsCall::Read))
                return rc;
            return realOf(f)->pMethods->xRead(realOf(f), buffer, amount, offset);
        },
        [](sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
            if (const int rc = hit(VfsCall::Write))
                return rc;
            return realOf(f)->pMethods->xWrite(realOf(f), buffer, amount, offset);
        },
        [](sqlite3_file* f, sqlite3_int64 size) {
            if (const int rc = hit(VfsCall::Truncate))
                return rc;
            return realOf(f)->pMethods->xTruncate(realOf(f), size);
        },
        [](sqlite3_file* f, int flags) {
            if (const int rc = hit(VfsCall::Sync))
                return rc;
            return realOf(f)->pMethods->xSync(realOf(f), flags);
        },
        [](sqlite3_file* f, sqlite3_int64* size) { return realOf(f)->pMethods->xFileSize(realOf(f), size); },
        [](sqlite3_file* f, int lock) { return realOf(f)->pMethods->xLock(realOf(f), lock); },
        [](sqlite3_file* f, int lock) { return realOf(f)->pMethods->xUnlock(realOf(f), lock); },
        [](sqlite3_file* f, int* out) { return realOf(f)->pMethods->xCheckReservedLock(realOf(f), out); },
        [](sqlite3_file* f, int op, void* arg) {
            return realOf(f)->pMethods->xFileControl(realOf(f), op, arg);
        },
        [](sqlite3_file* f) { return realOf(f)->pMethods->xSectorSize(realOf(f)); },
        [](sqlite3_file* f) { return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f)); },
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
    };
    static inline std::atomic<FaultVfs*> s_active{nullptr};

    sqlite3_vfs* m_real = nullptr;
    sqlite3_vfs m_vfs{};
    bool m_ok = false;
    std::array<std::atomic<int>, kVfsCallKinds> m_counts{};
    std::atomic<int> m_injected{0};
    std::vector<Fault> m_faults;
};

} // namespace vambrel::test
