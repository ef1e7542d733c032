#pragma once

#include "StopFlag.h"

#include <QObject>
#include <functional>
#include <memory>
#include <thread>

namespace vambrel {

// One piece of long work at a time, run on a thread of its own so that the window's thread keeps
// painting. The work receives a stop flag it must look at often; it returns what is left to do on
// the window's thread (adopting its result), which runs from the event loop unless the work was
// cancelled or replaced first. Destroying the object cancels and waits: no thread outlives it.
class BackgroundWork {
public:
    using Finish = std::function<void()>;
    using Work = std::function<Finish(const StopFlag& stop)>;

    BackgroundWork();
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // Cancels any running work, then starts this one. Must be called from the owner's thread.
    void start(Work work);
    // Asks the running work to stop, waits for its thread and drops its result.
    void cancel();
    // Whether work was started and its finish has not run yet.
    bool busy() const { return m_busy; }

private:
    struct Shared;
    std::unique_ptr<QObject> m_context; // posted finishes die with it
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    quint64 m_generation = 0;
    bool m_busy = false;
};

} // namespace vambrel
