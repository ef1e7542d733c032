#include "VersionReadAhead.h"

#include "mVersionInfo.h"

namespace vambrel {

VersionReadAhead::VersionReadAhead(int threads) {
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { work(); });
}

VersionReadAhead::~VersionReadAhead() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_workAvailable.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

void VersionReadAhead::submit(QByteArray nativePath, qint64 size) {
    {
        std::lock_guard lock(m_mutex);
        Slot slot;
        slot.path = std::move(nativePath);
        slot.size = size;
        m_slots.push_back(std::move(slot));
    }
    m_workAvailable.notify_one();
}

VersionInfo VersionReadAhead::take() {
    std::unique_lock lock(m_mutex);
    if (m_slots.empty())
        return {};
    if (!m_slots.front().started) {
        // No worker has reached it yet: read it here rather than wait.
        Slot& front = m_slots.front();
        front.started = true;
        ++m_nextSeq;
        const QByteArray path = front.path;
        const qint64 size = front.size;
        lock.unlock();
        VersionInfo info = ReadVersionInfo(path, size);
        lock.lock();
        m_slots.front().result = std::move(info);
        m_slots.front().done = true;
    }
    m_resultReady.wait(lock, [this] { return m_slots.front().done; });
    VersionInfo result = std::move(m_slots.front().result);
    m_slots.pop_front();
    ++m_frontSeq;
    return result;
}

size_t VersionReadAhead::pending() const {
    std::lock_guard lock(m_mutex);
    return m_slots.size();
}

void VersionReadAhead::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workAvailable.wait(lock, [this] { return m_stopping || m_nextSeq < m_frontSeq + m_slots.size(); });
        if (m_stopping)
            return;
        // Slots leave only from the front and only once done, so a started slot stays in the
        // queue until its result is in; its place is found again from its sequence number.
        const quint64 seq = m_nextSeq++;
        Slot& slot = m_slots[size_t(seq - m_frontSeq)];
        slot.started = true;
        const QByteArray path = slot.path;
        const qint64 size = slot.size;
        lock.unlock();
        VersionInfo info = ReadVersionInfo(path, size);
        lock.lock();
        Slot& same = m_slots[size_t(seq - m_frontSeq)];
        same.result = std::move(info);
        same.done = true;
        m_resultReady.notify_all();
    }
}

} // namespace vambrel
