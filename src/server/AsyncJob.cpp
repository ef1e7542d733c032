#include "AsyncJob.h"

#include "CatalogueFileJob.h"
#include "mStart.h"

namespace vambrel {

using jobwire::Msg;

AsyncJob::AsyncJob(quint32 id, jobwire::JobClass cls, ProtocolWriter& out, mStart& queue, FinishHook onFinish)
    : m_id(id), m_class(cls), m_out(out), m_queue(queue), m_onFinish(std::move(onFinish)) {}

AsyncJob::~AsyncJob() = default;

QString AsyncJob::source() const {
    return QStringLiteral("qvtSrv.") + QLatin1String(jobwire::className(m_class));
}

std::optional<JobError> AsyncJob::Start() {
    if (m_running.exchange(true))
        return JobError{jobwire::kErrAlreadyRunning, source(), QStringLiteral("Already running.")};
    m_cancel.store(false);
    {
        std::lock_guard lock(m_mutex);
        m_acked = false;
    }
    m_queue.StartJob(shared_from_this());
    return std::nullopt;
}

void AsyncJob::requestCancel() {
    {
        std::lock_guard lock(m_mutex);
        m_cancel.store(true);
    }
    m_settled.notify_all();
}

void AsyncJob::acknowledge() {
    {
        std::lock_guard lock(m_mutex);
        m_acked = true;
    }
    m_settled.notify_all();
}

void AsyncJob::abandon() {
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
        m_cancel.store(true);
    }
    m_settled.notify_all();
}

void AsyncJob::drop() {
    m_running.store(false);
}

void AsyncJob::setFileName(const QString& v) {
    std::lock_guard lock(m_mutex);
    m_props.fileName = v;
}
void AsyncJob::setSpec(const QString& v) {
    std::lock_guard lock(m_mutex);
    m_props.spec = v;
}
void AsyncJob::setMask(const QString& v) {
    std::lock_guard lock(m_mutex);
    m_props.mask = v;
}
void AsyncJob::setFileRec(const QString& v) {
    std::lock_guard lock(m_mutex);
    m_props.fileRec = v;
}

AsyncJob::Properties AsyncJob::properties() const {
    std::lock_guard lock(m_mutex);
    return m_props;
}

void AsyncJob::sendEvent(Msg type) {
    sendEvent(type, [](jobwire::WireEncoder&) {});
}

bool AsyncJob::settle() {
    {
        std::lock_guard lock(m_mutex);
        if (m_abandoned || m_cancel.load())
            return true;
        m_acked = false;
    }
    sendEvent(Msg::Settle);
    std::unique_lock lock(m_mutex);
    m_settled.wait(lock, [this] { return m_acked || m_cancel.load() || m_abandoned; });
    return m_cancel.load() || m_abandoned;
}

void AsyncJob::endRun() {
    if (m_onFinish)
        m_onFinish(m_id);
    m_running.store(false);
}

void AsyncJob::finishComplete(bool success, const QString& cause) {
    endRun();
    sendEvent(Msg::Complete, [&](jobwire::WireEncoder& e) {
        e.putBool(success);
        e.putString(success ? QString() : cause);
    });
}

void AsyncJob::finishCancelled() {
    endRun();
    sendEvent(Msg::Cancelled);
}

void AsyncJob::finishWithOutput(const BodyOutcome& outcome, const QString& failure, const QString& output,
                                const EndTexts& texts) {
    if (outcome.cancelled()) {
        finishCancelled();
        return;
    }
    if (!outcome.ended()) {
        finishComplete(false, texts.stopped);
        return;
    }
    if (!outcome.success()) {
        finishComplete(false, failure.isEmpty() ? texts.failed : failure);
        return;
    }
    if (settle()) {
        if (!CatalogueFileJob::removeOutput(output)) {
            finishComplete(false, texts.notRemoved.arg(output));
            return;
        }
        finishCancelled();
        return;
    }
    finishComplete(true, QString());
}

} // namespace vambrel
