#include "cAsync.h"

#include "CatalogueBuilder.h"

#include <exception>

namespace vambrel {

using jobwire::Msg;
using jobwire::WireEncoder;

namespace {

// Forwards the builder's events to the client and keeps how the build ended. An event that
// carries Cancel reads the job's cancel flag; once it is set, no further event is sent.
class BuildEventSender final : public BuildEvents {
public:
    explicit BuildEventSender(AsyncJob& job) : m_job(job) {}

    bool ProgressMain(const QString& sMain) override {
        return m_job.raiseCancellable(Msg::ProgressMain, [&](WireEncoder& e) { e.putString(sMain); });
    }
    bool ProgressFolder(qint32 nbre) override {
        return m_job.raiseCancellable(Msg::ProgressFolder, [&](WireEncoder& e) { e.putI32(nbre); });
    }
    bool ProgressFile(qint32 nbre) override {
        return m_job.raiseCancellable(Msg::ProgressFile, [&](WireEncoder& e) { e.putI32(nbre); });
    }
    void ProgressState(qint32 nPos) override {
        m_job.raiseUnlessCancelled(Msg::ProgressState, [&](WireEncoder& e) { e.putI32(nPos); });
    }
    void Complete(bool success) override { outcome.complete(success); }
    void Cancelled() override { outcome.cancel(); }
    const StopFlag* stopFlag() const override { return &m_job.cancelFlag(); }

    BodyOutcome outcome;

private:
    AsyncJob& m_job;
};

} // namespace

cAsync::cAsync(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish)
    : AsyncJob(id, jobwire::JobClass::Build, out, queue, std::move(onFinish)) {}

void cAsync::Runnable_Start() {
    const Properties p = properties();
    BuildEventSender events(*this);
    QString failure;
    try {
        RunCatalogueBuild(BuildParams{p.fileName, p.spec, p.mask}, events, &failure);
    } catch (const std::exception&) {
        events.outcome.complete(false);
        failure = QStringLiteral("Erreur interne du serveur pendant la création du catalogue.");
    }
    finishWithOutput(events.outcome, failure, p.fileName,
                     {QStringLiteral("La création du catalogue s'est arrêtée sans résultat."),
                      QStringLiteral("La création du catalogue a échoué."),
                      QStringLiteral("Le catalogue annulé « %1 » n'a pas pu être supprimé.")});
}

} // namespace vambrel
