// The job proxies against the real qvtSrv, and against stand-ins that misbehave.

#include "JobConnection.h"
#include "TestFiles.h"
#include "cAsync.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

using namespace vambrel;
using namespace vambrel::client;
using namespace Qt::StringLiterals;

namespace {

const QString kServer = QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv");

// Records the events of one build proxy as short names, with a hook to act in a handler.
struct Recorder {
    QStringList events;
    bool success = false;
    std::function<void(const QString& event, bool& cancel)> onEvent;

    explicit Recorder(cAsync& job) {
        auto note = [this](const QString& name, bool& cancel) {
            events << name;
            if (onEvent)
                onEvent(name, cancel);
        };
        QObject::connect(
            &job, &cAsync::ProgressMain, &job,
            [note](const QString&, bool& c) { note(QStringLiteral("Main"), c); }, Qt::DirectConnection);
        QObject::connect(
            &job, &cAsync::ProgressFolder, &job,
            [note](qint32, bool& c) { note(QStringLiteral("Folder"), c); }, Qt::DirectConnection);
        QObject::connect(
            &job, &cAsync::ProgressFile, &job, [note](qint32, bool& c) { note(QStringLiteral("File"), c); },
            Qt::DirectConnection);
        QObject::connect(
            &job, &cAsync::ProgressState, &job, [this](qint32) { events << QStringLiteral("State"); },
            Qt::DirectConnection);
        QObject::connect(
            &job, &cAsync::Complete, &job,
            [this](bool& s) {
                success = s;
                events << QStringLiteral("Complete");
            },
            Qt::DirectConnection);
        QObject::connect(
            &job, &cAsync::Cancelled, &job, [this] { events << QStringLiteral("Cancelled"); },
            Qt::DirectConnection);
    }
    int terminals() const {
        return int(events.count(QStringLiteral("Complete")) + events.count(QStringLiteral("Cancelled")));
    }
    bool waitEnd() {
        return QTest::qWaitFor([this] { return terminals() > 0; }, 60000);
    }
};

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class TestJobClient : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree;
    int m_serial = 0;

    QString freshName() { return m_dir.filePath(QStringLiteral("cat%1.dat").arg(++m_serial)); }

    void build(cAsync& job, const QString& file) {
        job.setFileName(file);
        job.setSpec(m_tree);
        job.setMask(QStringLiteral("*.*"));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_tree = m_dir.filePath(QStringLiteral("tree"));
        QVERIFY(QDir(m_tree).mkpath(QStringLiteral("a/b")));
        for (const char* f : {"one.txt", "a/two.txt", "a/b/three.txt"}) {
            QFile file(QDir(m_tree).filePath(QString::fromUtf8(f)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    void init() {
        JobConnection::instance().stopServer();
        JobConnection::setServerPath(kServer);
    }

    void startTwiceRunsOnce() {
        cAsync job;
        Recorder rec(job);
        const QString file = freshName();
        build(job, file);
        QVERIFY(!job.Start());
        const auto refused = job.Start();
        QVERIFY(refused);
        QCOMPARE(refused->number, 32540);
        QCOMPARE(refused->description, QStringLiteral("Already running."));
        QCOMPARE(refused->source, QStringLiteral("qvtSrv.cAsync"));
        QVERIFY(rec.waitEnd());
        QTest::qWait(50); // nothing more may follow
        QCOMPARE(rec.terminals(), 1);
        QVERIFY(rec.success);
        QCOMPARE(rec.events.first(), QStringLiteral("Main"));
        QCOMPARE(rec.events.count(QStringLiteral("File")), 3);
        QVERIFY(job.errorText().isEmpty());
        // Idle again, properties kept: a second run fails on the existing file, with a cause.
        QVERIFY(!job.running());
        QVERIFY(!job.Start());
        rec.events.clear();
        QVERIFY(rec.waitEnd());
        QVERIFY(!rec.success);
        QVERIFY(!job.errorText().isEmpty());
    }

    void twoJobsRunInOrder() {
        cAsync first, second;
        Recorder a(first), b(second);
        QStringList order;
        QObject::connect(&first, &cAsync::Complete, &first, [&](bool&) { order << QStringLiteral("A end"); });
        QObject::connect(&second, &cAsync::ProgressMain, &second,
                         [&](const QString&, bool&) { order << QStringLiteral("B begins"); });
        build(first, freshName());
        build(second, freshName());
        QVERIFY(!first.Start());
        QVERIFY(!second.Start());
        QVERIFY(b.waitEnd());
        QCOMPARE(order, (QStringList{QStringLiteral("A end"), QStringLiteral("B begins")}));
        QVERIFY(a.success && b.success);
        QCOMPARE(a.terminals(), 1);
        QCOMPARE(b.terminals(), 1);
    }

    // A proxy destroyed after Start, or inside its own handler: the job still runs to its end.
    void droppedProxyStillRuns_data() {
        QTest::addColumn<bool>("inHandler");
        QTest::newRow("right after Start") << false;
        QTest::newRow("in its first handler") << true;
    }
    void droppedProxyStillRuns() {
        QFETCH(bool, inHandler);
        const QString file = freshName();
        auto* job = new cAsync;
        build(*job, file);
        if (inHandler)
            QObject::connect(job, &cAsync::ProgressMain, job, [job](const QString&, bool&) { delete job; });
        QVERIFY(!job->Start());
        if (!inHandler)
            delete job;
        // Jobs run in order: once a later job ends, the dropped one has ended too.
        cAsync later;
        Recorder rec(later);
        build(later, freshName());
        QVERIFY(!later.Start());
        QVERIFY(rec.waitEnd());
        QVERIFY(rec.success);
        QVERIFY(QFileInfo(file).size() > 0);
    }

    void cancelAtFirstProgressMain() {
        QTemporaryDir out;
        cAsync job;
        Recorder rec(job);
        rec.onEvent = [](const QString& e, bool& cancel) { cancel = e == QStringLiteral("Main"); };
        build(job, out.filePath(QStringLiteral("c.dat")));
        QVERIFY(!job.Start());
        QVERIFY(rec.waitEnd());
        QTest::qWait(50);
        QCOMPARE(rec.events, (QStringList{QStringLiteral("Main"), QStringLiteral("Cancelled")}));
        QCOMPARE(entries(out.path()), QStringList());
        QVERIFY(!job.running());
    }

    // A cancel sent outside any event, while the server walks a large tree's folders (the walk
    // raises no event before its end): the job ends cancelled and its file is gone.
    void cancelDuringTheWalk() {
        QTemporaryDir out;
        const QString tree = out.filePath(QStringLiteral("large"));
        for (int i = 0; i < 60; ++i)
            for (int j = 0; j < 50; ++j)
                QVERIFY(QDir().mkpath(tree + QStringLiteral("/d%1/e%2/f").arg(i).arg(j)));
        cAsync job;
        Recorder rec(job);
        rec.onEvent = [&job](const QString& e, bool&) {
            if (e == QStringLiteral("Main"))
                job.Cancel(); // not through the event's Cancel: the walk is about to begin
        };
        const QString file = out.filePath(QStringLiteral("walk.dat"));
        job.setFileName(file);
        job.setSpec(tree);
        job.setMask(QStringLiteral("*.*"));
        QVERIFY(!job.Start());
        QVERIFY(rec.waitEnd());
        QTest::qWait(50);
        QCOMPARE(rec.events, (QStringList{QStringLiteral("Main"), QStringLiteral("Cancelled")}));
        QVERIFY(!QFile::exists(file));
        QVERIFY(!QFile::exists(file + QStringLiteral("-journal")));
        QVERIFY(!job.running());
    }

    // Cancel on a job that is not running changes nothing: the next run is whole.
    void cancelWhenIdleIsIgnored() {
        cAsync job;
        Recorder rec(job);
        const QString file = freshName();
        build(job, file);
        job.Cancel();
        QVERIFY(!job.Start());
        QVERIFY(rec.waitEnd());
        QVERIFY(rec.success);
        QCOMPARE(rec.events.count(QStringLiteral("Cancelled")), 0);
        QVERIFY(QFile::exists(file));
    }

    // The server killed while a job runs and another waits: both end with Complete false and
    // a French cause; the next Start brings a new server.
    void serverKilled() {
        cAsync running, queued;
        Recorder a(running), b(queued);
        a.onEvent = [](const QString& e, bool&) {
            if (e == QStringLiteral("Main"))
                ::kill(static_cast<pid_t>(JobConnection::instance().serverProcessId()), SIGKILL);
        };
        build(running, freshName());
        build(queued, freshName());
        QVERIFY(!running.Start());
        QVERIFY(!queued.Start());
        QVERIFY(a.waitEnd() && b.waitEnd());
        QVERIFY(!a.success && !b.success);
        QCOMPARE(a.terminals(), 1);
        QCOMPARE(b.terminals(), 1);
        QCOMPARE(running.errorText(), QStringLiteral("Le serveur de tâches s'est arrêté brutalement."));
        QCOMPARE(queued.errorText(), running.errorText());

        cAsync again;
        Recorder c(again);
        build(again, freshName());
        QVERIFY(!again.Start());
        QVERIFY(c.waitEnd());
        QVERIFY(c.success);
    }

    // A server that dies while jobs are unfinished: the client deletes only the files that
    // those jobs were making. The stand-in server makes the files itself, answers what the case
    // needs, then kills itself.
    void serverDiedRemovesOnlyItsJobsFiles_data() {
        QTest::addColumn<QString>("story");
        QTest::addColumn<bool>("kept");
        QTest::newRow("unfinished build") << u"unfinished"_s << false;
        QTest::newRow("name taken before Start") << u"taken"_s << true;
        QTest::newRow("made by an earlier job that finished") << u"earlier"_s << true;
    }
    void serverDiedRemovesOnlyItsJobsFiles() {
        QFETCH(QString, story);
        QFETCH(bool, kept);
        QTemporaryDir out;
        const QString file = out.filePath(u"c.dat"_s);
        if (story == u"taken"_s) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("à garder");
        }
        cAsync first, second;
        Recorder a(first), b(second);
        build(first, story == u"earlier"_s ? file : out.filePath(u"other.dat"_s));
        build(second, file);
        // Welcome, then (for "earlier") the first job's Complete true, as the server sends them.
        QByteArray frames = QByteArray::fromHex("0b0000008101000000020000000000");
        if (story == u"earlier"_s) {
            const quint32 id = first.jobId();
            frames += QByteArray::fromHex("0a00000090") + QByteArray(reinterpret_cast<const char*>(&id), 4) +
                      QByteArray::fromHex("0100000000");
        }
        QString octal;
        for (const char c : std::as_const(frames))
            octal += u"\\%1"_s.arg(uint(quint8(c)), 3, 8, QLatin1Char('0'));
        QTemporaryDir bin;
        const QString fake = bin.filePath(u"fake"_s);
        {
            QFile f(fake);
            QVERIFY(f.open(QIODevice::WriteOnly));
            // The client starts both jobs at once; the files come after, as a running job's would.
            f.write("#!/bin/sh\nsleep 0.3\n");
            if (story != u"taken"_s)
                f.write("printf x > '" + file.toUtf8() + "'; printf j > '" + file.toUtf8() + "-journal'\n");
            f.write("printf '" + octal.toLatin1() + "'\nsleep 0.3\nkill -9 $$\n");
            f.close();
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        JobConnection::instance().stopServer();
        JobConnection::setServerPath(fake);
        QVERIFY(!first.Start());
        QVERIFY(!second.Start());
        QVERIFY(b.waitEnd());
        QVERIFY(!b.success);
        QVERIFY2(b.events == QStringList{u"Complete"_s} &&
                     second.errorText() == u"Le serveur de tâches s'est arrêté brutalement."_s,
                 qPrintable(second.errorText()));
        QCOMPARE(a.success, story == u"earlier"_s);
        QCOMPARE(QFile::exists(file), kept);
        if (story == u"taken"_s)
            QCOMPARE(test::readAll(file), QByteArray("à garder"));
        // The journal goes with the file of an unfinished job, and only with it.
        QCOMPARE(QFile::exists(file + u"-journal"_s), story == u"earlier"_s);
    }

    // Servers that cannot start or do not speak the protocol.
    void brokenServer_data() {
        QTest::addColumn<QString>("script"); // empty: no such program
        QTest::addColumn<QString>("cause");
        QTest::newRow("missing") << QString() << QStringLiteral("n'a pas pu être démarré");
        QTest::newRow("exits at once") << QStringLiteral("exit 3") << QStringLiteral("code de sortie 3");
        QTest::newRow("garbage") << QStringLiteral("printf 'garbage!'; exec sleep 30")
                                 << QStringLiteral("message invalide (longueur de message invalide)");
        QTest::newRow("other version")
            << QStringLiteral(
                   "printf '\\013\\000\\000\\000\\201\\011\\000\\000\\000\\002\\000\\000\\000\\000\\000'; "
                   "exec sleep 30")
            << QStringLiteral("version de protocole 9 au lieu de 1");
        QTest::newRow("event before welcome")
            << QStringLiteral("printf '\\005\\000\\000\\000\\221\\001\\000\\000\\000'; exec sleep 30")
            << QStringLiteral("accueil attendu");
    }
    void brokenServer() {
        QFETCH(QString, script);
        QFETCH(QString, cause);
        QTemporaryDir bin;
        QString path = bin.filePath(QStringLiteral("absent"));
        if (!script.isEmpty()) {
            path = bin.filePath(QStringLiteral("fake"));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\n" + script.toUtf8() + "\n");
            f.close();
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        JobConnection::instance().stopServer();
        JobConnection::setServerPath(path);
        cAsync job;
        Recorder rec(job);
        build(job, freshName());
        QVERIFY(!job.Start());
        QCOMPARE(rec.terminals(), 0); // never before Start has returned
        QVERIFY(rec.waitEnd());
        QCOMPARE(rec.events, QStringList{QStringLiteral("Complete")});
        QVERIFY(!rec.success);
        QVERIFY2(job.errorText().contains(cause), qPrintable(job.errorText()));
    }
};

QTEST_GUILESS_MAIN(TestJobClient)
#include "tst_jobclient.moc"
