#include "mStart.h"

namespace vambrel {

mStart::mStart() : m_thread([this] { run(); }) {}

mStart::~mStart() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_pending.clear();
    }
    m_wake.notify_one();
    m_thread.join();
}

void mStart::StartJob(std::shared_ptr<Runnable> job) {
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(job));
    }
    m_wake.notify_one();
}

std::vector<std::shared_ptr<Runnable>> mStart::takePending() {
    std::vector<std::shared_ptr<Runnable>> out;
    {
        std::lock_guard lock(m_mutex);
        out.assign(m_pending.begin(), m_pending.end());
        m_pending.clear();
    }
    m_idle.notify_all();
    return out;
}

int mStart::activeCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_pending.size()) + (m_busy ? 1 : 0);
}

void mStart::waitIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_pending.empty() && !m_busy; });
}

void mStart::run() {
    for (;;) {
        std::shared_ptr<Runnable> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_pending.empty(); });
            if (m_pending.empty())
                return;
            job = std::move(m_pending.front());
            m_pending.pop_front();
            m_busy = true;
        }
        job->Runnable_Start(); // the whole job, to its terminal event
        job.reset();           // the queue's hold on the job ends with its body
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        m_idle.notify_all();
    }
}

} // namespace vambrel
