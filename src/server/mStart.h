#pragma once

#include "Runnable.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vambrel {

// The job queue: jobs started and not yet run, in the order of their Start calls, and the one
// job thread that runs them one at a time. StartJob only queues (the deferred start): the job
// runs later on the job thread, never on the caller's. The queue's reference keeps a job alive
// until its body has returned, whatever its client does meanwhile.
class mStart {
public:
    mStart();
    ~mStart(); // drops what is pending, waits for the running job's end
    mStart(const mStart&) = delete;
    mStart& operator=(const mStart&) = delete;

    void StartJob(std::shared_ptr<Runnable> job);

    // Removes and returns the jobs not yet begun; the running one goes on.
    std::vector<std::shared_ptr<Runnable>> takePending();

    // Number of jobs queued or running.
    int activeCount() const;
    // Waits until no job is queued or running.
    void waitIdle();

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::shared_ptr<Runnable>> m_pending;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace vambrel
