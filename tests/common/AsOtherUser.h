// Runs a piece of a test as an ordinary user: the super-user reads and writes anything, so
// permission cases must drop its rights to be seen at all.
#pragma once

#include <QByteArray>
#include <functional>
#include <grp.h>
#include <optional>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vambrel::test {

inline constexpr uid_t kNobody = 65534;

// Drops to user and group `nobody` when running as root; false when that failed. For a child
// process that is about to do the test's work.
inline bool becomeNobody() {
    return ::geteuid() != 0 ||
           (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0);
}

// Runs `work` in a child process as `nobody` and returns what it produced; nothing when the
// child could not drop its rights, write its result or end normally.
inline std::optional<QByteArray> RunAsNobody(const std::function<QByteArray()>& work) {
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(channel[0]);
        if (!becomeNobody())
            ::_exit(3);
        const QByteArray text = work();
        const bool written = ::write(channel[1], text.constData(), size_t(text.size())) == text.size();
        ::_exit(written ? 0 : 4);
    }
    ::close(channel[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}

} // namespace vambrel::test
