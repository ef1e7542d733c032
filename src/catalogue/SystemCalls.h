#pragma once

#include <atomic>
#include <sys/stat.h>
#include <sys/types.h>

// The file-system calls of the platform layer go through one table, so that a test can put its
// own in place (to fail a given call with a given error) without touching the code that calls.
// The real calls are installed by default; the only cost is one indirect call.
namespace vambrel::sys {

struct Calls {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*openat)(int dirFd, const char* path, int flags, mode_t mode);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void* buffer, size_t size);
    ssize_t (*pread)(int fd, void* buffer, size_t size, off_t offset);
    ssize_t (*write)(int fd, const void* buffer, size_t size);
    int (*fstat)(int fd, struct stat* st);
    int (*fstatat)(int dirFd, const char* path, struct stat* st, int flags);
    // Reads records of an open folder into `buffer`, as getdents64(2).
    ssize_t (*getdents64)(int fd, void* buffer, size_t size);
    int (*mkostemp)(char* pattern, int flags);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*fsync)(int fd);
};

// The table of the real calls.
const Calls& RealCalls();

namespace detail {
extern std::atomic<const Calls*> g_calls;
}

// Installs `table` for every thread (nullptr puts the real calls back). The table must outlive its
// use; install it before the work starts, not while calls are in flight.
void SetCalls(const Calls* table);

inline const Calls& calls() {
    return *detail::g_calls.load(std::memory_order_acquire);
}

// True while the real calls are installed. Work that reaches the kernel by another road (an
// io_uring submission) takes the plain calls instead when it is false, so that a test sees them.
inline bool UsingRealCalls() {
    return &calls() == &RealCalls();
}

inline int open(const char* path, int flags, mode_t mode = 0) {
    return calls().open(path, flags, mode);
}
inline int openat(int dirFd, const char* path, int flags, mode_t mode = 0) {
    return calls().openat(dirFd, path, flags, mode);
}
inline int close(int fd) {
    return calls().close(fd);
}
inline ssize_t read(int fd, void* buffer, size_t size) {
    return calls().read(fd, buffer, size);
}
inline ssize_t pread(int fd, void* buffer, size_t size, off_t offset) {
    return calls().pread(fd, buffer, size, offset);
}
inline ssize_t write(int fd, const void* buffer, size_t size) {
    return calls().write(fd, buffer, size);
}
inline int fstat(int fd, struct stat* st) {
    return calls().fstat(fd, st);
}
inline int fstatat(int dirFd, const char* path, struct stat* st, int flags) {
    return calls().fstatat(dirFd, path, st, flags);
}
inline ssize_t getdents64(int fd, void* buffer, size_t size) {
    return calls().getdents64(fd, buffer, size);
}
inline int mkostemp(char* pattern, int flags) {
    return calls().mkostemp(pattern, flags);
}
inline int rename(const char* from, const char* to) {
    return calls().rename(from, to);
}
inline int unlink(const char* path) {
    return calls().unlink(path);
}
inline int fsync(int fd) {
    return calls().fsync(fd);
}

} // namespace vambrel::sys
