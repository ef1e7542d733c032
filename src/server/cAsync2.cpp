#include "cAsync2.h"

#include "CatalogueCheck.h"

#include <exception>

namespace vambrel {

using jobwire::Msg;
using jobwire::PositionList;
using jobwire::WireEncoder;

namespace {

// Forwards the check's events to the client and keeps how it ended. ProgressFile reads the
// job's cancel flag; once it is set, no further event is sent.
class CheckEventSender final : public CheckEvents {
public:
    explicit CheckEventSender(AsyncJob& job) : m_job(job) {}

    bool ProgressFile(quint8 iIndex) override {
        return m_job.raiseCancellable(Msg::CheckProgressFile, [&](WireEncoder& e) { e.putU8(iIndex); });
    }
    void ProgressState(qint32 nPos) override {
        m_job.raiseUnlessCancelled(Msg::ProgressState, [&](WireEncoder& e) { e.putI32(nPos); });
    }
    void Complete(bool success, const QList<qint32>& colIdem, const QList<qint32>& colDistinct,
                  const QList<qint32>& colNonExist) override {
        if (outcome.ended())
            return;
        outcome.complete(success);
        m_lists[0] = colIdem;
        m_lists[1] = colDistinct;
        m_lists[2] = colNonExist;
    }
    void Cancelled() override { outcome.cancel(); }
    const StopFlag* stopFlag() const override { return &m_job.cancelFlag(); }

    const QList<qint32>& list(PositionList which) const { return m_lists[static_cast<int>(which)]; }

    BodyOutcome outcome;

private:
    AsyncJob& m_job;
    QList<qint32> m_lists[3];
};

} // namespace

cAsync2::cAsync2(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish)
    : AsyncJob(id, jobwire::JobClass::Check, out, queue, std::move(onFinish)) {}

void cAsync2::sendPositions(PositionList which, const QList<qint32>& positions) {
    // In chunks, so that no frame outgrows the limit; an empty list sends nothing.
    for (qsizetype from = 0; from < positions.size(); from += jobwire::kMaxPositionsPerChunk) {
        const qsizetype count = std::min<qsizetype>(jobwire::kMaxPositionsPerChunk, positions.size() - from);
        sendEvent(Msg::Positions, [&](WireEncoder& e) {
            e.putU8(static_cast<quint8>(which));
            e.putU32(static_cast<quint32>(count));
            for (qsizetype i = from; i < from + count; ++i)
                e.putI32(positions.at(i));
        });
    }
}

void cAsync2::Runnable_Start() {
    const Properties p = properties();
    CheckEventSender events(*this);
    QString failure;
    try {
        RunCatalogueCheck(p.fileName, events, &failure);
    } catch (const std::exception&) {
        events.outcome.complete(false);
        failure = QStringLiteral("Erreur interne du serveur pendant la vérification du catalogue.");
    }

    if (events.outcome.cancelled()) {
        finishCancelled();
        return;
    }
    const bool success = events.outcome.success();
    // A cancel set in the client's handler of the last ProgressFile may still be on its way: a
    // check the client cancelled is never reported as complete.
    if (success && settle()) {
        finishCancelled();
        return;
    }
    for (const PositionList which : {PositionList::Idem, PositionList::Distinct, PositionList::NonExist})
        sendPositions(which, events.list(which));
    if (success) {
        finishComplete(true, QString());
        return;
    }
    if (!events.outcome.ended())
        failure = QStringLiteral("La vérification du catalogue s'est arrêtée sans résultat.");
    else if (failure.isEmpty())
        failure = QStringLiteral("La vérification du catalogue a échoué.");
    finishComplete(false, failure);
}

} // namespace vambrel
