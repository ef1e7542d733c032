#include "ProtocolWriter.h"

#include <cerrno>
#include <unistd.h>

namespace vambrel {

ProtocolWriter::ProtocolWriter(int fd) : m_fd(fd), m_thread([this] { run(); }) {}

ProtocolWriter::~ProtocolWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_ready.notify_one();
    m_thread.join();
}

void ProtocolWriter::stopWaiting() {
    {
        std::lock_guard lock(m_mutex);
        m_noWait = true;
    }
    m_room.notify_all();
}

bool ProtocolWriter::broken() const {
    std::lock_guard lock(m_mutex);
    return m_broken;
}

void ProtocolWriter::run() {
    QByteArray chunk;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [this] { return !m_buffer.isEmpty() || m_stop; });
            if (m_buffer.isEmpty())
                return; // stopping with nothing left to write
            // Let a burst of events gather for a moment: one write, and one wake-up of the
            // client, for many events. The delay is too short for anybody to see.
            if (m_buffer.size() < kBatchBytes && !m_stop)
                m_ready.wait_for(lock, kBatchDelay,
                                 [this] { return m_buffer.size() >= kBatchBytes || m_stop; });
            chunk.clear();
            chunk.swap(m_buffer);
        }
        m_room.notify_all();
        const char* p = chunk.constData();
        qsizetype left = chunk.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, static_cast<size_t>(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                std::lock_guard lock(m_mutex);
                m_broken = true;
                m_buffer.clear();
                break;
            }
            p += n;
            left -= n;
        }
        if (left > 0) {
            m_room.notify_all();
            std::unique_lock lock(m_mutex);
            // Nothing more can be written; keep draining sends until asked to stop.
            m_ready.wait(lock, [this] { return m_stop; });
            return;
        }
    }
}

} // namespace vambrel
