#pragma once

#include "JobError.h"
#include "JobProtocol.h"
#include "Runnable.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace vambrel {

class ProtocolWriter;
class mStart;

// How a job body ended, as its terminal events tell it: only the first one counts.
class BodyOutcome {
public:
    void complete(bool success) {
        if (!m_ended) {
            m_ended = true;
            m_success = success;
        }
    }
    void cancel() {
        if (!m_ended) {
            m_ended = true;
            m_cancelled = true;
        }
    }
    bool ended() const { return m_ended; }
    bool success() const { return m_ended && m_success; }
    bool cancelled() const { return m_cancelled; }

private:
    bool m_ended = false;
    bool m_success = false;
    bool m_cancelled = false;
};

// What the three job classes share: identity, the running flag, Start, the cancel flag that a
// cancel message sets, and the events' way out. Properties are copied by the body when it starts,
// so assigning one while the job runs affects only its next run.
class AsyncJob : public Runnable, public std::enable_shared_from_this<AsyncJob> {
public:
    // Called on the job thread when a run ends, before its terminal event is sent.
    using FinishHook = std::function<void(quint32 id)>;

    AsyncJob(quint32 id, jobwire::JobClass cls, ProtocolWriter& out, mStart& queue, FinishHook onFinish);
    ~AsyncJob() override;

    quint32 id() const { return m_id; }
    jobwire::JobClass jobClass() const { return m_class; }
    QString source() const; // "qvtSrv." and the class name

    // Queues the job and returns at once; error 32540 when it is already queued or running.
    std::optional<JobError> Start();
    bool running() const { return m_running.load(); }

    // A cancel message arrived: the body sees it at its next event that carries Cancel, or at
    // once where it polls cancelFlag().
    void requestCancel();
    // Set by a cancel message (or a client gone) from the protocol's reader thread.
    const std::atomic<bool>& cancelFlag() const { return m_cancel; }
    // The client acknowledged a Settle.
    void acknowledge();
    // The client is gone: cancel, and never wait for it again.
    void abandon();
    // Never run: the server stops before the job's turn. Clears running, sends nothing.
    void drop();

    // Sends a progress event that carries Cancel. True when the job must cancel: a cancel had
    // arrived already (the event is then not sent) or has arrived by the time it is queued.
    template <typename Fill> bool raiseCancellable(jobwire::Msg type, Fill&& fill);
    // Sends an event that does not carry Cancel, unless a cancel has arrived.
    template <typename Fill> void raiseUnlessCancelled(jobwire::Msg type, Fill&& fill);

    void setFileName(const QString& v);
    void setSpec(const QString& v);
    void setMask(const QString& v);
    void setFileRec(const QString& v);

protected:
    struct Properties {
        QString fileName, spec, mask, fileRec;
    };
    Properties properties() const;

    bool cancelRequested() const { return m_cancel.load(std::memory_order_relaxed); }
    ProtocolWriter& out() { return m_out; }

    // Sends an event frame for this job: the job id, then what `fill` adds.
    template <typename Fill> void sendEvent(jobwire::Msg type, Fill&& fill);
    void sendEvent(jobwire::Msg type);

    // Asks the client to acknowledge every event sent so far and waits for the answer. True
    // when a cancel arrived first (or the client is gone): the job must then cancel after all.
    bool settle();

    // Ends the run: clears running, then sends Complete (with the cause when it failed).
    void finishComplete(bool success, const QString& cause);
    void finishCancelled();

    // French texts of the ends of a job that writes a file.
    struct EndTexts {
        QString stopped;    // the body returned without a terminal event
        QString failed;     // it failed without saying why
        QString notRemoved; // the output of a late cancel could not be deleted; %1 is its name
    };
    // Ends a run whose body wrote the file `output` (a CatalogueFileJob, which has deleted the
    // output of a run it cancelled). Before a success is reported the client catches up (settle),
    // so that a cancel set in a handler of one of the last events still cancels the run and
    // deletes its output.
    void finishWithOutput(const BodyOutcome& outcome, const QString& failure, const QString& output,
                          const EndTexts& texts);

private:
    void endRun();

    const quint32 m_id;
    const jobwire::JobClass m_class;
    ProtocolWriter& m_out;
    mStart& m_queue;
    FinishHook m_onFinish;

    std::atomic<bool> m_running{false};
    std::atomic<bool> m_cancel{false};

    mutable std::mutex m_mutex;
    std::condition_variable m_settled;
    bool m_acked = false;
    bool m_abandoned = false;
    Properties m_props;
};

} // namespace vambrel

#include "ProtocolWriter.h"

namespace vambrel {

template <typename Fill> void AsyncJob::sendEvent(jobwire::Msg type, Fill&& fill) {
    m_out.send(type, [&](jobwire::WireEncoder& e) {
        e.putU32(m_id);
        fill(e);
    });
}

template <typename Fill> bool AsyncJob::raiseCancellable(jobwire::Msg type, Fill&& fill) {
    if (cancelRequested())
        return true;
    sendEvent(type, std::forward<Fill>(fill));
    return cancelRequested();
}

template <typename Fill> void AsyncJob::raiseUnlessCancelled(jobwire::Msg type, Fill&& fill) {
    if (!cancelRequested())
        sendEvent(type, std::forward<Fill>(fill));
}

} // namespace vambrel
