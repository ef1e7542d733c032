#pragma once

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vambrel {

// How many threads read ahead of a job: one per core and one more, which takes the core of a
// thread waiting on the disk. More keep more reads in flight on a cold disk, but on a warm cache
// they only wake one another, and each one delays a cancel (the job waits for the tasks in flight
// before it ends).
inline int ReadAheadThreads() {
    const int cores = int(std::thread::hardware_concurrency());
    return std::clamp(cores + 1, 3, 16);
}

// Runs the slow part of per-file work (opening files, reading their start) ahead of a job on a few
// threads, so that the disk works on the next files while the job writes the current ones. Results
// come back strictly in submission order, so a job's rows and events keep their order.
template <typename T> class ReadAhead {
public:
    // When fewer threads can be started, the work goes on with those (with none, take() runs
    // each task itself).
    explicit ReadAhead(int threads) {
        try {
            for (int i = 0; i < threads; ++i)
                m_threads.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
        }
    }
    ~ReadAhead() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_workAvailable.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Queues one task; it must not touch anything the job changes meanwhile.
    void submit(std::function<T()> task) {
        bool wake = false;
        {
            std::lock_guard lock(m_mutex);
            m_slots.push_back(Slot{std::move(task), T(), false, false});
            // A busy thread finds the task when it is done with its own: wake only a sleeper.
            wake = m_idleThreads > 0;
        }
        if (wake)
            m_workAvailable.notify_one();
    }

    // The result of the oldest task not yet taken; waits for it, or runs it here when no thread has
    // started it. Must follow a submit.
    T take() {
        std::unique_lock lock(m_mutex);
        if (m_slots.empty())
            return T();
        if (!m_slots.front().started) {
            Slot& front = m_slots.front();
            front.started = true;
            ++m_nextSeq;
            std::function<T()> task = std::move(front.task);
            lock.unlock();
            T result = task();
            lock.lock();
            m_slots.front().result = std::move(result);
            m_slots.front().done = true;
        }
        m_takerWaiting = true;
        m_resultReady.wait(lock, [this] { return m_slots.front().done; });
        m_takerWaiting = false;
        T result = std::move(m_slots.front().result);
        m_slots.pop_front();
        ++m_frontSeq;
        return result;
    }

    // Tasks submitted and not yet taken.
    size_t pending() const {
        std::lock_guard lock(m_mutex);
        return m_slots.size();
    }

private:
    struct Slot {
        std::function<T()> task;
        T result;
        bool started;
        bool done;
    };

    void work() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            ++m_idleThreads;
            m_workAvailable.wait(lock,
                                 [this] { return m_stopping || m_nextSeq < m_frontSeq + m_slots.size(); });
            --m_idleThreads;
            if (m_stopping)
                return;
            // Slots leave only from the front and only once done, so a started slot stays queued until
            // its result is in; its place is found again from its sequence number.
            const unsigned long long seq = m_nextSeq++;
            Slot& slot = m_slots[size_t(seq - m_frontSeq)];
            slot.started = true;
            std::function<T()> task = std::move(slot.task);
            lock.unlock();
            T result = task();
            lock.lock();
            Slot& same = m_slots[size_t(seq - m_frontSeq)];
            same.result = std::move(result);
            same.done = true;
            // The taker only ever waits for the front slot.
            if (m_takerWaiting && seq == m_frontSeq)
                m_resultReady.notify_one();
        }
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_resultReady;
    std::deque<Slot> m_slots;          // front is the oldest not taken
    unsigned long long m_frontSeq = 0; // sequence number of m_slots.front()
    unsigned long long m_nextSeq = 0;  // sequence number of the first slot nobody has started
    bool m_stopping = false;
    int m_idleThreads = 0;       // threads waiting for work
    bool m_takerWaiting = false; // take() waits for the front slot
    std::vector<std::thread> m_threads;
};

} // namespace vambrel
