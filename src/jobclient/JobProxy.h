#pragma once

#include "JobError.h"
#include "JobProtocol.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

namespace vambrel::jobwire {
class WireDecoder;
}

namespace vambrel::client {

class JobConnection;

// What the three proxies share: the properties kept on the client side and sent with Start,
// the running flag, the cause of the last failure, and the delivery of the terminal events.
// A proxy lives on the thread of the job connection (the program's main thread); its events are
// emitted there, synchronously, while the connection reads the server's output, so that a handler
// connected directly may write the Cancel it is given.
class JobProxy : public QObject {
    Q_OBJECT
public:
    ~JobProxy() override;

    // Queues the job in the server and returns at once. While the job is queued or running (until
    // its terminal event has been emitted) a second Start returns error 32540, "Already running.",
    // with the source "qvtSrv." and the class name, and changes nothing.
    std::optional<JobError> Start();

    bool running() const { return m_running; }
    // Sends the cancel now, without waiting for an event that carries Cancel: the server stops
    // the job wherever it is (its folder walk included) and raises Cancelled, unless the job has
    // already ended. No progress event of this run is emitted afterwards. Nothing happens when
    // the job is not running or its cancel is already sent.
    void Cancel();
    // The French cause of the last Complete with Success false; empty after a success.
    QString errorText() const { return m_errorText; }
    quint32 jobId() const { return m_id; }
    QString source() const;

protected:
    JobProxy(jobwire::JobClass cls, QObject* parent);

    // Class events other than Complete and Cancelled. False for an event this class does not
    // have or a malformed one: the connection then treats the server as broken.
    virtual bool handleEvent(jobwire::Msg type, jobwire::WireDecoder& d) = 0;
    virtual void raiseComplete(bool success) = 0;
    virtual void raiseCancelled() = 0;
    virtual void resetRun() {}

    // Emits an event that carries Cancel through `emitFn(bool& cancel)`. Once a handler has set
    // Cancel, the cancel goes to the server and no further progress event of this run is emitted
    // (the job stops at its next event that carries Cancel; its terminal event follows).
    template <typename Emit> void raiseWithCancel(Emit emitFn) {
        if (m_cancelSent)
            return;
        const quint32 id = m_id;
        QPointer<JobProxy> self(this);
        bool cancel = false;
        emitFn(cancel);
        if (cancel)
            sendCancel(self, id);
    }
    bool cancelSent() const { return m_cancelSent; }

    QString m_fileName, m_spec, m_mask, m_fileRec;

private:
    friend class JobConnection;
    bool deliver(jobwire::Msg type, jobwire::WireDecoder& d);
    void fail(const QString& cause); // the server is lost or refused the job
    void endRun();
    static void sendCancel(const QPointer<JobProxy>& self, quint32 id);

    const jobwire::JobClass m_class;
    const quint32 m_id;
    bool m_running = false;
    bool m_cancelSent = false;
    QString m_errorText;
};

} // namespace vambrel::client
