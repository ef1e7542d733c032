#include "cAsync3.h"

#include "NewFileSearch.h"

#include <exception>

namespace vambrel {

using jobwire::Msg;
using jobwire::WireEncoder;

namespace {

// Forwards the search's events to the client and keeps how the search ended. Every progress
// event carries Cancel: it reads the job's cancel flag; once it is set, no further event is sent.
class SearchEventSender final : public NewFileEvents {
public:
    explicit SearchEventSender(AsyncJob& job) : m_job(job) {}

    bool ProgressMain(qint32 iMax) override { return raise(Msg::SearchProgressMain, iMax); }
    bool ProgressFolder(qint32 iPos) override { return raise(Msg::SearchProgressFolder, iPos); }
    bool ProgressFile(qint32 nNbre) override { return raise(Msg::ProgressFile, nNbre); }
    void Complete(bool success) override { outcome.complete(success); }
    void Cancelled() override { outcome.cancel(); }
    const StopFlag* stopFlag() const override { return &m_job.cancelFlag(); }

    BodyOutcome outcome;

private:
    bool raise(Msg type, qint32 n) {
        return m_job.raiseCancellable(type, [&](WireEncoder& e) { e.putI32(n); });
    }

    AsyncJob& m_job;
};

} // namespace

cAsync3::cAsync3(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish)
    : AsyncJob(id, jobwire::JobClass::Search, out, queue, std::move(onFinish)) {}

void cAsync3::Runnable_Start() {
    const Properties p = properties();
    SearchEventSender events(*this);
    QString failure;
    // The search opens FileRec itself and has closed it, and the list, when it returns, whatever
    // the outcome: nothing of either is held while the terminal event goes out.
    try {
        RunNewFileSearch(NewFileParams{p.fileName, p.spec, p.mask, p.fileRec}, events, &failure);
    } catch (const std::exception&) {
        events.outcome.complete(false);
        failure = QStringLiteral("Erreur interne du serveur pendant la recherche des nouveaux fichiers.");
    }
    finishWithOutput(events.outcome, failure, p.fileName,
                     {QStringLiteral("La recherche des nouveaux fichiers s'est arrêtée sans résultat."),
                      QStringLiteral("La recherche des nouveaux fichiers a échoué."),
                      QStringLiteral("La liste annulée « %1 » n'a pas pu être supprimée.")});
}

} // namespace vambrel
