#include "cAsync3.h"

#include "NewFileSearch.h"

#include <QFile>
#include <exception>

namespace vambrel {

using jobwire::Msg;
using jobwire::WireEncoder;

namespace {

// Forwards the search's events to the client. Every progress event carries Cancel: it reads the
// job's cancel flag, which a cancel message sets; once it is set, no further event is sent.
class SearchEventSender final : public NewFileEvents {
public:
    using Send = std::function<void(Msg, const std::function<void(WireEncoder&)>&)>;
    SearchEventSender(Send send, std::function<bool()> cancel)
        : m_send(std::move(send)), m_cancel(std::move(cancel)) {}

    bool ProgressMain(qint32 iMax) override { return raise(Msg::SearchProgressMain, iMax); }
    bool ProgressFolder(qint32 iPos) override { return raise(Msg::SearchProgressFolder, iPos); }
    bool ProgressFile(qint32 nNbre) override { return raise(Msg::ProgressFile, nNbre); }
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
    bool raise(Msg type, qint32 n) {
        if (m_cancel())
            return true;
        m_send(type, [&](WireEncoder& e) { e.putI32(n); });
        return m_cancel();
    }

    Send m_send;
    std::function<bool()> m_cancel;
    bool m_ended = false;
    bool m_success = false;
    bool m_cancelled = false;
};

// A cancelled search leaves no list behind, nor the journal the database engine keeps beside it.
bool removeList(const QString& fileName) {
    QFile::remove(fileName + QStringLiteral("-journal"));
    return QFile::remove(fileName) || !QFile::exists(fileName);
}

} // namespace

cAsync3::cAsync3(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish)
    : AsyncJob(id, jobwire::JobClass::Search, out, queue, std::move(onFinish)) {}

void cAsync3::Runnable_Start() {
    const Properties p = properties();
    SearchEventSender events(
        [this](Msg type, const std::function<void(WireEncoder&)>& fill) { sendEvent(type, fill); },
        [this] { return cancelRequested(); });
    QString failure;
    // The search opens FileRec itself and has closed it, and the list, when it returns, whatever
    // the outcome: nothing of either is held while the terminal event goes out.
    try {
        RunNewFileSearch(NewFileParams{p.fileName, p.spec, p.mask, p.fileRec}, events, &failure);
    } catch (const std::exception&) {
        events.Complete(false);
        failure = QStringLiteral("Erreur interne du serveur pendant la recherche des nouveaux fichiers.");
    }

    if (events.cancelled()) {
        finishCancelled();
        return;
    }
    if (!events.ended()) {
        finishComplete(false,
                       QStringLiteral("La recherche des nouveaux fichiers s'est arrêtée sans résultat."));
        return;
    }
    if (!events.success()) {
        if (failure.isEmpty())
            failure = QStringLiteral("La recherche des nouveaux fichiers a échoué.");
        finishComplete(false, failure);
        return;
    }
    // A cancel set in the client's handler of one of the last events may still be on its way:
    // the search is then cancelled after all, and its list deleted.
    if (settle()) {
        if (!removeList(p.fileName)) {
            finishComplete(
                false, QStringLiteral("La liste annulée « %1 » n'a pas pu être supprimée.").arg(p.fileName));
            return;
        }
        finishCancelled();
        return;
    }
    finishComplete(true, QString());
}

} // namespace vambrel
