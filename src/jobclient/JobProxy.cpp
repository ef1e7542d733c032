#include "JobProxy.h"

#include "JobConnection.h"
#include "WireDecoder.h"

namespace vambrel::client {

using jobwire::Msg;

JobProxy::JobProxy(jobwire::JobClass cls, QObject* parent)
    : QObject(parent), m_class(cls), m_id(JobConnection::newJobId()) {}

JobProxy::~JobProxy() {
    // The job, if any, runs on to its end in the server; its events go nowhere.
    if (m_running)
        JobConnection::detachIfAlive(m_id);
}

QString JobProxy::source() const {
    return QStringLiteral("qvtSrv.") + QLatin1String(jobwire::className(m_class));
}

std::optional<JobError> JobProxy::Start() {
    if (m_running)
        return JobError{jobwire::kErrAlreadyRunning, source(), QStringLiteral("Already running.")};
    m_running = true;
    m_cancelSent = false;
    m_errorText.clear();
    resetRun();
    JobConnection::instance().start(this, m_class, m_fileName, m_spec, m_mask, m_fileRec);
    return std::nullopt;
}

void JobProxy::endRun() {
    m_running = false;
    JobConnection::instance().release(m_id);
}

bool JobProxy::deliver(Msg type, jobwire::WireDecoder& d) {
    switch (type) {
    case Msg::Complete: {
        const bool success = d.boolean();
        const QString cause = d.string();
        if (!d.complete())
            return false;
        endRun();
        m_errorText = success ? QString() : cause;
        raiseComplete(success);
        return true;
    }
    case Msg::Cancelled:
        if (!d.complete())
            return false;
        endRun();
        raiseCancelled();
        return true;
    default:
        return handleEvent(type, d);
    }
}

void JobProxy::fail(const QString& cause) {
    m_running = false;
    m_errorText = cause;
    raiseComplete(false);
}

void JobProxy::Cancel() {
    if (!m_running || m_cancelSent)
        return;
    sendCancel(QPointer<JobProxy>(this), m_id);
}

void JobProxy::sendCancel(const QPointer<JobProxy>& self, quint32 id) {
    if (self)
        self->m_cancelSent = true;
    JobConnection::instance().cancel(id);
}

} // namespace vambrel::client
