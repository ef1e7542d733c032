#include "SystemCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace vambrel::sys {

namespace {

constexpr Calls kReal{
    [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
    [](int dirFd, const char* path, int flags, mode_t mode) { return ::openat(dirFd, path, flags, mode); },
    ::close,
    ::read,
    ::pread,
    ::write,
    ::fstat,
    ::fstatat,
    [](int fd, void* buffer, size_t size) { return ::getdents64(fd, buffer, size); },
    ::mkostemp,
    ::rename,
    ::unlink,
    ::fsync,
};

} // namespace

namespace detail {
constinit std::atomic<const Calls*> g_calls{&kReal};
}

const Calls& RealCalls() {
    return kReal;
}

void SetCalls(const Calls* table) {
    detail::g_calls.store(table != nullptr ? table : &kReal, std::memory_order_release);
}

} // namespace vambrel::sys
