// qvtSrv killed (SIGKILL) at a random moment of a build, a check or a new-file search, run after
// run: each time the client gets one Complete false with its French cause, the target folder
// holds nothing (no half-written catalogue or list, no journal), the checked catalogue is
// unchanged, the dead server is reaped, and the next job starts a new server and succeeds.
//
// VAMBREL_KILL_RUNS sets the number of runs (60 by default, 200 for the long figure), VAMBREL_KILL_SEED
// replays the moments of an earlier run (its seed is printed).

#include "Database.h"
#include "EventWait.h"
#include "JobConnection.h"
#include "ProcFacts.h"
#include "Snapshot.h"
#include "TestFiles.h"
#include "cAsync.h"
#include "cAsync2.h"
#include "cAsync3.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

using namespace vambrel;
using namespace vambrel::client;
using namespace Qt::StringLiterals;

namespace {

const QString kServer = QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv");
const QString kKilled = u"Le serveur de tâches s'est arrêté brutalement."_s;
constexpr auto kDirect = Qt::DirectConnection;
constexpr int kFolders = 12;
constexpr int kFilesPerFolder = 8;

enum Kind { Build, Check, Search, KindCount };
const char* const kKindNames[KindCount] = {"build", "check", "search"};

// One job of any kind, with what the client saw of it.
struct Run {
    std::unique_ptr<JobProxy> job;
    int events = 0;
    int completes = 0;
    int cancels = 0;
    bool success = false;

    bool ended() const { return completes + cancels > 0; }
};

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

QByteArray digest(const QString& path) {
    return QCryptographicHash::hash(test::readAll(path), QCryptographicHash::Sha256);
}

// The number of rows of `table` in a finished catalogue or list; -1 when it cannot be read.
qint64 rowCount(const QString& path, DbKind kind, const QString& table) {
    Database db;
    if (!db.open(path, OpenMode::ReadOnly, kind))
        return -1;
    auto s = Snapshot::open(db, u"SELECT COUNT(*) FROM "_s + table);
    return s && s->moveFirst() ? s->text(0).toLongLong() : -1;
}

} // namespace

class TestServerKilled : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree, m_catalogue, m_out;
    QByteArray m_catalogueDigest;
    int m_newFiles = 0;
    int m_serial = 0;
    // The longest a job of each kind takes, from Start to its terminal event, with a server
    // already running and with one to start: the range of the kill moments.
    qint64 m_warmUs[KindCount] = {};
    qint64 m_coldUs[KindCount] = {};

    QString output(Kind kind) { return kind == Check ? QString() : m_out + u"/out%1.dat"_s.arg(++m_serial); }

    std::unique_ptr<Run> start(Kind kind, const QString& file) {
        auto run = std::make_unique<Run>();
        Run* r = run.get();
        auto event = [r] { ++r->events; };
        auto complete = [r](bool success) {
            ++r->completes;
            r->success = success;
        };
        auto cancelled = [r] { ++r->cancels; };
        switch (kind) {
        case Build: {
            auto* job = new cAsync;
            job->setFileName(file);
            job->setSpec(m_tree);
            job->setMask(u"*.*"_s);
            QObject::connect(
                job, &cAsync::ProgressMain, job, [event](const QString&, bool&) { event(); }, kDirect);
            QObject::connect(
                job, &cAsync::ProgressFolder, job, [event](qint32, bool&) { event(); }, kDirect);
            QObject::connect(
                job, &cAsync::ProgressFile, job, [event](qint32, bool&) { event(); }, kDirect);
            QObject::connect(
                job, &cAsync::ProgressState, job, [event](qint32) { event(); }, kDirect);
            QObject::connect(
                job, &cAsync::Complete, job, [complete](bool& s) { complete(s); }, kDirect);
            QObject::connect(job, &cAsync::Cancelled, job, cancelled, kDirect);
            run->job.reset(job);
            break;
        }
        case Check: {
            auto* job = new cAsync2;
            job->setFileName(m_catalogue);
            QObject::connect(
                job, &cAsync2::ProgressFile, job, [event](quint8, bool&) { event(); }, kDirect);
            QObject::connect(
                job, &cAsync2::ProgressState, job, [event](qint32) { event(); }, kDirect);
            QObject::connect(
                job, &cAsync2::Complete, job,
                [complete](bool& s, QList<qint32>&, QList<qint32>&, QList<qint32>&) { complete(s); },
                kDirect);
            QObject::connect(job, &cAsync2::Cancelled, job, cancelled, kDirect);
            run->job.reset(job);
            break;
        }
        case Search:
        case KindCount: {
            auto* job = new cAsync3;
            job->setFileName(file);
            job->setSpec(m_tree);
            job->setMask(u"*.*"_s);
            job->setFileRec(m_catalogue);
            QObject::connect(
                job, &cAsync3::ProgressMain, job, [event](qint32, bool&) { event(); }, kDirect);
            QObject::connect(
                job, &cAsync3::ProgressFolder, job, [event](qint32, bool&) { event(); }, kDirect);
            QObject::connect(
                job, &cAsync3::ProgressFile, job, [event](qint32, bool&) { event(); }, kDirect);
            QObject::connect(
                job, &cAsync3::Complete, job, [complete](bool& s) { complete(s); }, kDirect);
            QObject::connect(job, &cAsync3::Cancelled, job, cancelled, kDirect);
            run->job.reset(job);
            break;
        }
        }
        return run->job->Start() ? nullptr : std::move(run);
    }

    // A finished output holds the whole result: every file of the tree, or every new file.
    bool wholeOutput(Kind kind, const QString& file) {
        if (QFile::exists(file + u"-journal"_s))
            return false;
        if (kind == Build)
            return rowCount(file, DbKind::Catalogue, u"Files"_s) ==
                   qint64(kFolders) * kFilesPerFolder + m_newFiles;
        return rowCount(file, DbKind::NewFilesList, u"Files"_s) == m_newFiles;
    }

    // Runs a job of `kind` to its end without harm and returns its duration in microseconds.
    qint64 cleanRun(Kind kind) {
        const QString file = output(kind);
        QElapsedTimer t;
        t.start();
        auto run = start(kind, file);
        if (!run || !test::waitEvents([&] { return run->ended(); }, 60000))
            return -1;
        const qint64 us = t.nsecsElapsed() / 1000;
        const bool ok = run->success && run->completes == 1 && run->cancels == 0 &&
                        (kind == Check || (wholeOutput(kind, file) && QFile::remove(file)));
        return ok ? us : -1;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        JobConnection::setServerPath(kServer);
        m_tree = m_dir.filePath(u"tree"_s);
        m_out = m_dir.filePath(u"out"_s);
        QVERIFY(QDir().mkpath(m_out));
        for (int f = 0; f < kFolders; ++f) {
            const QString folder = m_tree + u"/d%1/e%2"_s.arg(f % 4).arg(f);
            QVERIFY(QDir().mkpath(folder));
            for (int i = 0; i < kFilesPerFolder; ++i)
                test::makeFile(folder + u"/f%1.txt"_s.arg(i), QByteArray(100 * i, 'x'));
        }
        // The catalogue that the checks read and the searches compare with, then files it lacks.
        m_catalogue = m_dir.filePath(u"tree.dat"_s);
        {
            auto run = start(Build, m_catalogue);
            QVERIFY(run);
            QVERIFY(test::waitEvents([&] { return run->ended(); }, 60000));
            QVERIFY(run->success);
        }
        for (int f = 0; f < kFolders; f += 3) {
            test::makeFile(m_tree + u"/d%1/e%2/new.txt"_s.arg(f % 4).arg(f));
            ++m_newFiles;
        }
        m_catalogueDigest = digest(m_catalogue);

        for (int kind = 0; kind < KindCount; ++kind) {
            for (int i = 0; i < 3; ++i) {
                JobConnection::instance().stopServer();
                const qint64 cold = cleanRun(Kind(kind));
                const qint64 warm = cleanRun(Kind(kind));
                QVERIFY2(cold > 0 && warm > 0, kKindNames[kind]);
                m_coldUs[kind] = std::max(m_coldUs[kind], cold);
                m_warmUs[kind] = std::max(m_warmUs[kind], warm);
            }
            qInfo("%s: up to %lld µs with a server to start, %lld µs with one running", kKindNames[kind],
                  m_coldUs[kind], m_warmUs[kind]);
        }
        QCOMPARE(entries(m_out), QStringList());
    }

    void killedAtRandomMoments() {
        const int runs = qEnvironmentVariableIsSet("VAMBREL_KILL_RUNS")
                             ? qEnvironmentVariableIntValue("VAMBREL_KILL_RUNS")
                             : 60;
        const quint32 seed = qEnvironmentVariableIsSet("VAMBREL_KILL_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("VAMBREL_KILL_SEED"))
                                 : QRandomGenerator::system()->generate();
        qInfo("%d runs, seed %u (VAMBREL_KILL_SEED=%u replays their moments)", runs, seed, seed);
        QRandomGenerator rng(seed);

        int midJob[KindCount] = {}, afterEnd[KindCount] = {}, coldKills = 0, beforeFirstEvent = 0;
        for (int i = 0; i < runs; ++i) {
            const auto kind = Kind(i % KindCount);
            const QString where =
                u"run %1 (%2), seed %3"_s.arg(i).arg(QLatin1String(kKindNames[kind])).arg(seed);
            const bool cold = rng.bounded(4) == 0 || JobConnection::instance().serverProcessId() == 0;
            if (cold) {
                JobConnection::instance().stopServer();
                ++coldKills;
            }
            // Up to a little past the job's end, so that some kills land after it.
            const qint64 range = (cold ? m_coldUs[kind] : m_warmUs[kind]) * 5 / 4 + 1;
            const auto delay = std::chrono::microseconds(rng.bounded(quint64(range)));

            const QString file = output(kind);
            auto run = start(kind, file);
            QVERIFY2(run, qPrintable(where));
            const qint64 pid = JobConnection::instance().serverProcessId();
            QVERIFY2(pid > 0, qPrintable(where));
            std::thread killer([pid, delay] {
                std::this_thread::sleep_for(delay);
                ::kill(pid_t(pid), SIGKILL);
            });
            const bool ended = test::waitEvents([&] { return run->ended(); }, 60000);
            killer.join();
            QVERIFY2(ended, qPrintable(where));
            // The loss of a server killed after the job's end is noticed all the same.
            QVERIFY2(
                test::waitEvents([&] { return JobConnection::instance().serverProcessId() != pid; }, 10000),
                qPrintable(where));
            QTest::qWait(1); // nothing may follow the terminal event
            QVERIFY2(run->completes == 1 && run->cancels == 0, qPrintable(where));

            if (run->success) {
                ++afterEnd[kind];
                if (kind != Check) {
                    QVERIFY2(wholeOutput(kind, file), qPrintable(where));
                    QVERIFY(QFile::remove(file));
                }
            } else {
                ++midJob[kind];
                if (run->events == 0)
                    ++beforeFirstEvent;
                QVERIFY2(run->job->errorText() == kKilled,
                         qPrintable(where + u": "_s + run->job->errorText()));
            }
            QVERIFY2(entries(m_out).isEmpty(), qPrintable(where + u": "_s + entries(m_out).join(u' ')));
            if (kind == Check)
                QVERIFY2(digest(m_catalogue) == m_catalogueDigest, qPrintable(where));
            // Reaped, not a zombie.
            QVERIFY2(QTest::qWaitFor([pid] { return test::processState(pid) == 0; }, 5000),
                     qPrintable(where + u": state "_s + QChar::fromLatin1(test::processState(pid))));

            // The next job brings a new server and succeeds.
            QVERIFY2(cleanRun(kind) > 0, qPrintable(where + u": the next job"_s));
            const qint64 next = JobConnection::instance().serverProcessId();
            QVERIFY2(next > 0 && next != pid, qPrintable(where));
            QVERIFY2(entries(m_out).isEmpty(), qPrintable(where));
        }
        qInfo("killed mid-job: %d builds, %d checks, %d searches (%d before their first event); "
              "after the job's end: %d, %d, %d; %d with a server just started",
              midJob[Build], midJob[Check], midJob[Search], beforeFirstEvent, afterEnd[Build],
              afterEnd[Check], afterEnd[Search], coldKills);
        // The moments are spread over the jobs: many kills land inside one.
        QVERIFY(midJob[Build] + midJob[Check] + midJob[Search] >= runs / 3);
    }
};

QTEST_GUILESS_MAIN(TestServerKilled)
#include "tst_serverkilled.moc"
