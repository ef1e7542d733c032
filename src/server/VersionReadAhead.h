#pragma once

#include "VersionRecord.h"

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace vambrel {

// Reads the version resources of files ahead of the build, on a few threads, so that the disk
// works on the next files while the build writes the current ones. Results come back strictly in
// the order the files were submitted, so the rows and events of a build keep their order.
class VersionReadAhead {
public:
    explicit VersionReadAhead(int threads);
    ~VersionReadAhead();
    VersionReadAhead(const VersionReadAhead&) = delete;
    VersionReadAhead& operator=(const VersionReadAhead&) = delete;

    // Queues one file; `size` is the size the walk found (files too small are not even opened).
    void submit(QByteArray nativePath, qint64 size);
    // The result of the oldest file not yet taken; waits for it. Must follow a submit.
    VersionInfo take();
    // Files submitted and not yet taken.
    size_t pending() const;

private:
    struct Slot {
        QByteArray path;
        qint64 size = 0;
        VersionInfo result;
        bool started = false;
        bool done = false;
    };

    void work();

    mutable std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_resultReady;
    std::deque<Slot> m_slots; // front is the oldest not taken
    quint64 m_frontSeq = 0;   // sequence number of m_slots.front()
    quint64 m_nextSeq = 0;    // sequence number of the first slot nobody has started
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace vambrel
