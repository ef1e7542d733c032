#include "FolderWatcher.h"

#include "NativeName.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace vambrel {

namespace {

constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_Q_OVERFLOW;

} // namespace

FolderWatcher::FolderWatcher(QObject* parent) : QObject(parent) {}

FolderWatcher::~FolderWatcher() {
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FolderWatcher::addWatch(int number, int filter) {
    if (filter != FileNames && filter != FolderNames)
        return false;
    m_filters[number] = filter;
    m_signalled[number] = false;
    return true;
}

bool FolderWatcher::start() {
    if (m_fd >= 0 || m_folder.isEmpty())
        return false;
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return false;
    if (::inotify_add_watch(m_fd, PathToNative(m_folder).constData(),
                            kNameEvents | kSelfEvents | IN_ONLYDIR) < 0) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read);
    m_notifier->setEnabled(false);
    return true;
}

bool FolderWatcher::drain() {
    if (m_fd >= 0) {
        alignas(struct inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            for (ssize_t at = 0; at + ssize_t(sizeof(struct inotify_event)) <= got;) {
                struct inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                at += ssize_t(sizeof event) + ssize_t(event.len);
                const bool all = (event.mask & kSelfEvents) != 0;
                const int kind = (event.mask & IN_ISDIR) ? FolderNames : FileNames;
                if (!all && !(event.mask & kNameEvents))
                    continue;
                for (auto it = m_filters.cbegin(); it != m_filters.cend(); ++it)
                    if (all || it.value() == kind)
                        m_signalled[it.key()] = true;
            }
        }
    }
    for (bool seen : std::as_const(m_signalled))
        if (seen)
            return true;
    return false;
}

void FolderWatcher::wait(int milliseconds) {
    if (drain() || milliseconds <= 0)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QMetaObject::Connection changes;
    if (m_notifier) {
        changes = connect(m_notifier, &QSocketNotifier::activated, &loop, [this, &loop] {
            if (drain())
                loop.quit();
        });
        m_notifier->setEnabled(true);
    }
    timer.start(milliseconds);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (m_notifier) {
        m_notifier->setEnabled(false);
        disconnect(changes);
    }
}

bool FolderWatcher::signalled(int number) {
    drain();
    return m_signalled.value(number, false);
}

} // namespace vambrel
