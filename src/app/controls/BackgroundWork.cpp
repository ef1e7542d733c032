#include "BackgroundWork.h"

#include <QMetaObject>
#include <sys/resource.h>

namespace vambrel {

namespace {

constexpr int kNiceness = 5;

} // namespace

struct BackgroundWork::Shared {
    StopFlag stop{false};
};

BackgroundWork::BackgroundWork() : m_context(std::make_unique<QObject>()) {}

BackgroundWork::~BackgroundWork() {
    cancel();
}

void BackgroundWork::cancel() {
    ++m_generation;
    m_busy = false;
    if (m_shared)
        m_shared->stop = true;
    if (m_thread.joinable())
        m_thread.join();
    m_shared.reset();
}

void BackgroundWork::start(Work work) {
    cancel();
    m_shared = std::make_shared<Shared>();
    m_busy = true;
    const quint64 generation = m_generation;
    QObject* context = m_context.get();
    // The finish is posted to the context; a cancel joins the thread first, so a finish posted
    // before it is recognised as stale by its generation and dropped.
    m_thread = std::thread([this, shared = m_shared, work = std::move(work), generation, context] {
        // Below the window's thread, so that the window wins the processor whenever it has events;
        // on Linux the value is the calling thread's own, and threads the work starts inherit it.
        setpriority(PRIO_PROCESS, 0, std::min(19, getpriority(PRIO_PROCESS, 0) + kNiceness));
        Finish finish = work(shared->stop);
        if (StopRequested(&shared->stop))
            return;
        QMetaObject::invokeMethod(
            context,
            [this, generation, finish = std::move(finish)] {
                if (generation != m_generation)
                    return;
                m_busy = false;
                if (m_thread.joinable())
                    m_thread.join();
                if (finish)
                    finish();
            },
            Qt::QueuedConnection);
    });
}

} // namespace vambrel
