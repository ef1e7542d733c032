// The client killed (SIGKILL) at a random moment of a build, a check or a new-file search that it
// runs through qvtSrv: the server sees its input end, cancels the job, deletes the file the job
// was making (with its journal) and exits by itself, with status 0, within a second. The test
// adopts the orphaned server (child subreaper), so that it can time the server's exit and reap
// it.
//
// VAMBREL_CLIENT_KILL_RUNS sets the number of runs (30 by default), VAMBREL_KILL_SEED replays
// the moments of an earlier run (its seed is printed).

#include "Database.h"
#include "ProcFacts.h"
#include "Snapshot.h"
#include "TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace vambrel;
using namespace Qt::StringLiterals;

namespace {

const QString kQvtjob = QStringLiteral(VAMBREL_BINARY_DIR "/qvtjob");
constexpr int kFolders = 40;
constexpr int kFilesPerFolder = 40;

enum Kind { Build, Check, Search, KindCount };
const char* const kKindNames[KindCount] = {"build", "check", "search"};

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

QByteArray digest(const QString& path) {
    return QCryptographicHash::hash(test::readAll(path), QCryptographicHash::Sha256);
}

qint64 rowCount(const QString& path, DbKind kind) {
    Database db;
    if (!db.open(path, OpenMode::ReadOnly, kind))
        return -1;
    auto s = Snapshot::open(db, u"SELECT COUNT(*) FROM Files"_s);
    return s && s->moveFirst() ? s->text(0).toLongLong() : -1;
}

// Starts qvtjob with `args`, its input empty and its output (and the server's errors) in `log`.
pid_t spawnQvtjob(const QStringList& args, const QString& log) {
    std::vector<QByteArray> bytes{QFile::encodeName(kQvtjob)};
    for (const QString& a : args)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    const QByteArray logPath = QFile::encodeName(log);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// The exit code of a finished child, -1 when it did not exit normally.
int exitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class TestClientKilled : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree, m_catalogue, m_out, m_log;
    QByteArray m_catalogueDigest;
    int m_newFiles = 0;
    int m_serial = 0;
    // A whole qvtjob run of each kind, the middle of three. Not the longest: one slow run on a
    // loaded machine would put most moments past the end of the faster runs that follow.
    qint64 m_typicalUs[KindCount] = {};

    QStringList arguments(Kind kind, const QString& file) const {
        switch (kind) {
        case Build:
            return {u"build"_s, file, u"--spec"_s, m_tree, u"--quiet"_s};
        case Check:
            return {u"check"_s, m_catalogue, u"--quiet"_s};
        case Search:
        case KindCount:
            break;
        }
        return {u"newfiles"_s, m_catalogue, file, u"--spec"_s, m_tree, u"--quiet"_s};
    }

    bool wholeOutput(Kind kind, const QString& file) const {
        if (QFile::exists(file + u"-journal"_s))
            return false;
        if (kind == Build)
            return rowCount(file, DbKind::Catalogue) == qint64(kFolders) * kFilesPerFolder + m_newFiles;
        return rowCount(file, DbKind::NewFilesList) == m_newFiles;
    }

    // Runs qvtjob to its end; its exit code, or -1.
    int runToEnd(const QStringList& args) {
        const pid_t pid = spawnQvtjob(args, m_log);
        int status = 0;
        if (pid <= 0 || ::waitpid(pid, &status, 0) != pid)
            return -1;
        return exitCodeOf(status);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(kQvtjob));
        // Orphans of our children become ours: the server outlives the killed client.
        QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0), 0);
        m_tree = m_dir.filePath(u"tree"_s);
        m_out = m_dir.filePath(u"out"_s);
        m_log = m_dir.filePath(u"qvtjob.log"_s);
        QVERIFY(QDir().mkpath(m_out));
        for (int f = 0; f < kFolders; ++f) {
            const QString folder = m_tree + u"/d%1/e%2"_s.arg(f % 5).arg(f);
            QVERIFY(QDir().mkpath(folder));
            for (int i = 0; i < kFilesPerFolder; ++i)
                test::makeFile(folder + u"/f%1.txt"_s.arg(i), QByteArray(10 * i, 'x'));
        }
        m_catalogue = m_dir.filePath(u"tree.dat"_s);
        QCOMPARE(runToEnd(arguments(Build, m_catalogue)), 0);
        for (int f = 0; f < kFolders; f += 4) {
            test::makeFile(m_tree + u"/d%1/e%2/new.txt"_s.arg(f % 5).arg(f));
            ++m_newFiles;
        }
        m_catalogueDigest = digest(m_catalogue);
        for (int kind = 0; kind < KindCount; ++kind) {
            qint64 us[3] = {};
            for (qint64& u : us) {
                const QString file = m_out + u"/calibre.dat"_s;
                QElapsedTimer t;
                t.start();
                QCOMPARE(runToEnd(arguments(Kind(kind), file)), 0);
                u = t.nsecsElapsed() / 1000;
                if (kind != Check) {
                    QVERIFY(wholeOutput(Kind(kind), file));
                    QVERIFY(QFile::remove(file));
                }
            }
            std::sort(std::begin(us), std::end(us));
            m_typicalUs[kind] = us[1];
            qInfo("%s: a whole qvtjob run takes %lld µs (middle of %lld, %lld, %lld)", kKindNames[kind],
                  us[1], us[0], us[1], us[2]);
        }
    }

    void killedAtRandomMoments() {
        const int runs = qEnvironmentVariableIsSet("VAMBREL_CLIENT_KILL_RUNS")
                             ? qEnvironmentVariableIntValue("VAMBREL_CLIENT_KILL_RUNS")
                             : 30;
        const quint32 seed = qEnvironmentVariableIsSet("VAMBREL_KILL_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("VAMBREL_KILL_SEED"))
                                 : QRandomGenerator::system()->generate();
        qInfo("%d runs, seed %u (VAMBREL_KILL_SEED=%u replays their moments)", runs, seed, seed);
        QRandomGenerator rng(seed);

        QList<qint64> exitUs; // from the client's death to the server's, for each server met
        int ended = 0, noServer = 0, withFile = 0, completedLate = 0;
        for (int i = 0; i < runs; ++i) {
            const auto kind = Kind(i % KindCount);
            const QString where =
                u"run %1 (%2), seed %3"_s.arg(i).arg(QLatin1String(kKindNames[kind])).arg(seed);
            const QString file = m_out + u"/out%1.dat"_s.arg(++m_serial);
            const auto delay = std::chrono::microseconds(rng.bounded(quint64(m_typicalUs[kind])));

            const pid_t client = spawnQvtjob(arguments(kind, file), m_log);
            QVERIFY2(client > 0, qPrintable(where));
            std::this_thread::sleep_for(delay);
            int status = 0;
            if (::waitpid(client, &status, WNOHANG) == client) {
                // Done before the moment came: a whole result.
                ++ended;
                QVERIFY2(exitCodeOf(status) == 0,
                         qPrintable(where + u": "_s + QString::fromUtf8(test::readAll(m_log))));
                if (kind != Check) {
                    QVERIFY2(wholeOutput(kind, file), qPrintable(where));
                    QVERIFY(QFile::remove(file));
                }
                continue;
            }
            const QList<qint64> before = test::childrenOf(client);
            if (QFile::exists(file))
                ++withFile;
            QCOMPARE(::kill(client, SIGKILL), 0);
            QCOMPARE(::waitpid(client, &status, 0), client);
            QElapsedTimer t;
            t.start();

            // Every process the client left is ours now, zombies included; their names are read
            // before any is reaped. A server must end by itself with status 0. Other orphans (a
            // child forked but not yet a server, or a sanitizer runtime's helper of the client,
            // which the kernel kills with its parent) only have to end.
            QList<qint64> servers;
            for (const qint64 pid : test::childrenOf(::getpid())) {
                if (test::commandName(pid) == "qvtSrv")
                    servers << pid;
            }
            QList<qint64> reaped;
            while (t.elapsed() < 10000) {
                const pid_t pid = ::waitpid(-1, &status, WNOHANG);
                if (pid < 0 && errno == ECHILD)
                    break;
                if (pid > 0) {
                    reaped << pid;
                    if (servers.contains(pid)) {
                        QVERIFY2(exitCodeOf(status) == 0,
                                 qPrintable(where + u": the server ended with status %1"_s.arg(status)));
                        exitUs << t.nsecsElapsed() / 1000;
                    }
                    continue;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            QVERIFY2(::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD,
                     qPrintable(where + u": a server still runs 10 s after its client died"_s));
            // A server seen before the kill is either one of the orphans or was already reaped
            // by its client (the job had ended): it is gone either way.
            for (const qint64 pid : before)
                QVERIFY2(reaped.contains(pid) || ::kill(pid_t(pid), 0) != 0, qPrintable(where));
            if (servers.isEmpty())
                ++noServer;

            // The server deleted what the job was making, unless the job had got past its last
            // step before the client died: then the result is whole.
            if (kind != Check && QFile::exists(file)) {
                QVERIFY2(wholeOutput(kind, file), qPrintable(where + u": a partial file is left"_s));
                QVERIFY(QFile::remove(file));
                ++completedLate;
            }
            QVERIFY2(entries(m_out).isEmpty(), qPrintable(where + u": "_s + entries(m_out).join(u' ')));
            if (kind == Check)
                QVERIFY2(digest(m_catalogue) == m_catalogueDigest, qPrintable(where));
        }
        std::sort(exitUs.begin(), exitUs.end());
        const qint64 median = exitUs.isEmpty() ? 0 : exitUs.at(exitUs.size() / 2);
        const qint64 longest = exitUs.isEmpty() ? 0 : exitUs.last();
        qInfo("%d clients killed (%d with no server left, %d while the output existed, %d past the "
              "job's last step); %d runs ended before their moment",
              runs - ended, noServer, withFile, completedLate, ended);
        qInfo("server exit after its client's death: median %lld µs, longest %lld µs over %lld servers",
              median, longest, qint64(exitUs.size()));
        QVERIFY(runs - ended >= runs / 2);
        QVERIFY(withFile > 0);
    }
};

QTEST_GUILESS_MAIN(TestClientKilled)
#include "tst_clientkilled.moc"
