// Thousands of jobs in a row on one qvtSrv: builds, checks and new-file searches in turn, each
// one ending well. Once warmed up (a tenth of the jobs), the server's resident memory and its
// peak stay within a small bound, and its open descriptors and the client's do not grow at all.
//
// VAMBREL_MANY_JOBS sets the number of jobs (400 by default; 10,000 for the long figure).

#include "EventWait.h"
#include "JobConnection.h"
#include "ProcFacts.h"
#include "TestFiles.h"
#include "cAsync.h"
#include "cAsync2.h"
#include "cAsync3.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace vambrel::client;
using namespace Qt::StringLiterals;

namespace {

const QString kServer = QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv");
constexpr auto kDirect = Qt::DirectConnection;

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer keeps freed blocks in quarantine: resident memory grows by design there.
constexpr bool kMemoryMeasurable = false;
#else
constexpr bool kMemoryMeasurable = true;
#endif

struct Figures {
    qint64 rss = 0, hwm = 0;
    int serverFds = 0, clientFds = 0;
};

Figures measure(qint64 pid) {
    return {test::statusKiB(pid, "VmRSS"), test::statusKiB(pid, "VmHWM"), test::openDescriptors(pid),
            test::openDescriptors(QCoreApplication::applicationPid())};
}

} // namespace

class TestManyJobs : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree, m_catalogue;

    // Each job ends well and leaves only what it was asked to make.
    bool runJob(int n, QString& problem) {
        bool ended = false, success = false;
        auto done = [&](bool s) {
            ended = true;
            success = s;
        };
        const QString list = m_dir.filePath(u"job.dat"_s);
        std::unique_ptr<JobProxy> job;
        switch (n % 3) {
        case 0: {
            auto* build = new cAsync;
            build->setFileName(list);
            build->setSpec(m_tree);
            build->setMask(u"*.*"_s);
            QObject::connect(
                build, &cAsync::Complete, build, [&](bool& s) { done(s); }, kDirect);
            QObject::connect(
                build, &cAsync::Cancelled, build, [&] { done(false); }, kDirect);
            job.reset(build);
            break;
        }
        case 1: {
            auto* check = new cAsync2;
            check->setFileName(m_catalogue);
            QObject::connect(
                check, &cAsync2::Complete, check,
                [&](bool& s, QList<qint32>& idem, QList<qint32>&, QList<qint32>&) {
                    done(s && idem.size() == 2);
                },
                kDirect);
            QObject::connect(
                check, &cAsync2::Cancelled, check, [&] { done(false); }, kDirect);
            job.reset(check);
            break;
        }
        default: {
            auto* search = new cAsync3;
            search->setFileName(list);
            search->setSpec(m_tree);
            search->setMask(u"*.*"_s);
            search->setFileRec(m_catalogue);
            QObject::connect(
                search, &cAsync3::Complete, search, [&](bool& s) { done(s); }, kDirect);
            QObject::connect(
                search, &cAsync3::Cancelled, search, [&] { done(false); }, kDirect);
            job.reset(search);
            break;
        }
        }
        if (job->Start() || !test::waitEvents([&] { return ended; }, 60000) || !success) {
            problem = u"job %1: %2"_s.arg(n).arg(job->errorText());
            return false;
        }
        if (n % 3 != 1 && !QFile::remove(list)) {
            problem = u"job %1 left no file"_s.arg(n);
            return false;
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        JobConnection::setServerPath(kServer);
        m_tree = m_dir.filePath(u"tree"_s);
        QVERIFY(QDir().mkpath(m_tree + u"/sub"_s));
        test::makeFile(m_tree + u"/a.txt"_s);
        test::makeFile(m_tree + u"/sub/b.txt"_s);
        // The catalogue of the tree, made by the server, then one file the searches find new.
        m_catalogue = m_dir.filePath(u"tree.dat"_s);
        {
            cAsync build;
            bool ended = false, success = false;
            QObject::connect(&build, &cAsync::Complete, &build, [&](bool& s) {
                ended = true;
                success = s;
            });
            build.setFileName(m_catalogue);
            build.setSpec(m_tree);
            QVERIFY(!build.Start());
            QVERIFY(test::waitEvents([&] { return ended; }, 60000));
            QVERIFY(success);
        }
        test::makeFile(m_tree + u"/sub/new.txt"_s);
    }

    void flatOverManyJobs() {
        // Fewer by default under the sanitizer, which slows every job and proves nothing of memory.
        const int jobs = qEnvironmentVariableIsSet("VAMBREL_MANY_JOBS")
                             ? qEnvironmentVariableIntValue("VAMBREL_MANY_JOBS")
                             : (kMemoryMeasurable ? 400 : 200);
        QVERIFY(jobs >= 30);
        const int warm = jobs / 10;
        JobConnection::instance().stopServer();
        QString problem;
        QVERIFY2(runJob(0, problem), qPrintable(problem));
        const qint64 pid = JobConnection::instance().serverProcessId();
        QVERIFY(pid > 0);
        const Figures first = measure(pid);

        QElapsedTimer t;
        t.start();
        Figures atWarm;
        for (int n = 1; n < jobs; ++n) {
            QVERIFY2(runJob(n, problem), qPrintable(problem));
            if (n == warm)
                atWarm = measure(pid);
        }
        const qint64 ms = t.elapsed();
        QCOMPARE(JobConnection::instance().serverProcessId(), pid); // one server all along
        const Figures last = measure(pid);
        qInfo("%d jobs in %lld ms (%.0f a second) on one server", jobs, ms,
              jobs * 1000.0 / double(std::max<qint64>(ms, 1)));
        qInfo("server VmRSS KiB: %lld after job 1, %lld after job %d, %lld after job %d", first.rss,
              atWarm.rss, warm, last.rss, jobs);
        qInfo("server VmHWM KiB: %lld, %lld, %lld; descriptors: %d, %d, %d; client descriptors: %d, %d, %d",
              first.hwm, atWarm.hwm, last.hwm, first.serverFds, atWarm.serverFds, last.serverFds,
              first.clientFds, atWarm.clientFds, last.clientFds);

        QVERIFY(first.serverFds > 0 && first.rss > 0);
        QCOMPARE(last.serverFds, atWarm.serverFds);
        QCOMPARE(last.clientFds, atWarm.clientFds);
        if (kMemoryMeasurable) {
            // A leak of even 256 bytes a job would pass this bound by job 10,000.
            constexpr qint64 kBoundKiB = 2048;
            QVERIFY2(last.rss - atWarm.rss <= kBoundKiB,
                     qPrintable(u"VmRSS grew by %1 KiB"_s.arg(last.rss - atWarm.rss)));
            QVERIFY2(last.hwm - atWarm.hwm <= kBoundKiB,
                     qPrintable(u"VmHWM grew by %1 KiB"_s.arg(last.hwm - atWarm.hwm)));
        }
    }
};

QTEST_GUILESS_MAIN(TestManyJobs)
#include "tst_manyjobs.moc"
