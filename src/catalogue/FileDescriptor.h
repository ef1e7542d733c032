#pragma once

#include "SystemCalls.h"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace vambrel {

// An open file descriptor, closed on destruction. Movable, not copyable.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    // Closes now and tells whether the close succeeded: for a written file, a full disk can
    // show only here.
    bool close() {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || sys::close(fd) == 0;
    }
    // Closes the descriptor held (keeping errno as it was) and takes `fd` instead.
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            const int saved = errno;
            sys::close(m_fd);
            errno = saved;
        }
        m_fd = fd;
    }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

} // namespace vambrel
