#include "cAsync.h"

#include "CatalogueBuilder.h"

#include <QFile>
#include <exception>

namespace vambrel {

using jobwire::Msg;
using jobwire::WireEncoder;

namespace {

// Forwards the builder's events to the client. An event that carries Cancel reads the job's
// cancel flag, which a cancel message sets; once it is set, no further event is sent.
class BuildEventSender final : public BuildEvents {
public:
    using Send = std::function<void(Msg, const std::function<void(WireEncoder&)>&)>;
    BuildEventSender(Send send, std::function<bool()> cancel)
        : m_send(std::move(send)), m_cancel(std::move(cancel)) {}

    bool ProgressMain(const QString& sMain) override {
        return raise(Msg::ProgressMain, [&](WireEncoder& e) { e.putString(sMain); });
    }
    bool ProgressFolder(qint32 nbre) override {
        return raise(Msg::ProgressFolder, [&](WireEncoder& e) { e.putI32(nbre); });
    }
    bool ProgressFile(qint32 nbre) override {
        return raise(Msg::ProgressFile, [&](WireEncoder& e) { e.putI32(nbre); });
    }
    void ProgressState(qint32 nPos) override {
        if (!m_cancel())
            m_send(Msg::ProgressState, [&](WireEncoder& e) { e.putI32(nPos); });
    }
    void Complete(bool success) override {
        if (!m_ended) {
            m_ended = true;
            m_success = success;
        }
    }
    void Cancelled() override {
        if (!m_ended) {
            m_ended = true;
            m_cancelled = true;
        }
    }

    bool ended() const { return m_ended; }
    bool success() const { return m_success; }
    bool cancelled() const { return m_cancelled; }

private:
    bool raise(Msg type, const std::function<void(WireEncoder&)>& fill) {
        if (m_cancel())
            return true;
        m_send(type, fill);
        return m_cancel();
    }

    Send m_send;
    std::function<bool()> m_cancel;
    bool m_ended = false;
    bool m_success = false;
    bool m_cancelled = false;
};

// A cancelled build leaves nothing: its database and the journal the database engine keeps
// beside it. False when the database itself could not be deleted.
bool removeCancelledFiles(const QString& fileName) {
    QFile::remove(fileName + QStringLiteral("-journal"));
    return QFile::remove(fileName) || !QFile::exists(fileName);
}

} // namespace

cAsync::cAsync(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish)
    : AsyncJob(id, jobwire::JobClass::Build, out, queue, std::move(onFinish)) {}

void cAsync::Runnable_Start() {
    const Properties p = properties();
    BuildEventSender events(
        [this](Msg type, const std::function<void(WireEncoder&)>& fill) { sendEvent(type, fill); },
        [this] { return cancelRequested(); });
    QString failure;
    try {
        RunCatalogueBuild(BuildParams{p.fileName, p.spec, p.mask}, events, &failure);
    } catch (const std::exception&) {
        events.Complete(false);
        failure = QStringLiteral("Erreur interne du serveur pendant la création du catalogue.");
    }

    if (events.cancelled()) {
        removeCancelledFiles(p.fileName);
        finishCancelled();
        return;
    }
    if (!events.ended()) {
        finishComplete(false, QStringLiteral("La création du catalogue s'est arrêtée sans résultat."));
        return;
    }
    if (!events.success()) {
        if (failure.isEmpty())
            failure = QStringLiteral("La création du catalogue a échoué.");
        finishComplete(false, failure);
        return;
    }
    // A cancel set in the client's handler of one of the last events may still be on its way:
    // let the client catch up, so that a cancelled build is never reported as complete.
    if (settle()) {
        if (!removeCancelledFiles(p.fileName)) {
            finishComplete(
                false,
                QStringLiteral("Le catalogue annulé « %1 » n'a pas pu être supprimé.").arg(p.fileName));
            return;
        }
        finishCancelled();
        return;
    }
    finishComplete(true, QString());
}

} // namespace vambrel
