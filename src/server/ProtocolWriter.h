#pragma once

#include "WireEncoder.h"

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vambrel {

// The server's output: frames are appended to a buffer and written to the descriptor by a thread
// of their own, so that a job never waits for the client to read. Whatever piles up while a write
// is under way goes out in the next write: events are batched without a round trip each.
// A job's writes wait only while the buffer holds more than kHighWater bytes (the client reads
// too slowly), which bounds the server's memory.
class ProtocolWriter {
public:
    static constexpr qsizetype kHighWater = 4 << 20;
    // A write waits up to kBatchDelay for kBatchBytes of events to gather.
    static constexpr qsizetype kBatchBytes = 64 << 10;
    static constexpr std::chrono::milliseconds kBatchDelay{2};

    explicit ProtocolWriter(int fd);
    ~ProtocolWriter(); // writes what is buffered (unless the pipe broke), then stops
    ProtocolWriter(const ProtocolWriter&) = delete;
    ProtocolWriter& operator=(const ProtocolWriter&) = delete;

    // Appends one frame built by `fill(encoder)` between begin(type) and end(). `mayWait` lets a
    // job thread wait for room; the protocol reader never waits (it must keep reading).
    template <typename Fill> void send(jobwire::Msg type, Fill&& fill, bool mayWait = true) {
        std::unique_lock lock(m_mutex);
        if (mayWait)
            m_room.wait(lock, [this] { return m_buffer.size() < kHighWater || m_broken || m_noWait; });
        if (m_broken)
            return;
        const qsizetype before = m_buffer.size();
        jobwire::WireEncoder enc(m_buffer);
        enc.begin(type);
        fill(enc);
        enc.end();
        // The writer sleeps on an empty buffer, or waits for a batch to fill.
        if (before == 0 || (before < kBatchBytes && m_buffer.size() >= kBatchBytes))
            m_ready.notify_one();
    }

    // From now on no send waits for room (the client is gone or going).
    void stopWaiting();
    // True once a write failed: the client no longer reads.
    bool broken() const;

private:
    void run();

    int m_fd;
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_room;
    QByteArray m_buffer;
    bool m_stop = false;
    bool m_broken = false;
    bool m_noWait = false;
    std::thread m_thread;
};

} // namespace vambrel
