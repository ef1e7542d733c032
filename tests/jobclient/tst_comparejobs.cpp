// The check job and the new-file search through their proxies and the real qvtSrv: a tree is
// catalogued by the server, changed in every way that matters, then checked and searched.

#include "CatalogueWriter.h"
#include "ComparisonQuery.h"
#include "Database.h"
#include "JobConnection.h"
#include "NativeName.h"
#include "Snapshot.h"
#include "TestFiles.h"
#include "cAsync.h"
#include "cAsync2.h"
#include "cAsync3.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;
using test::readAll;
using test::writeBytes;
using namespace vambrel::client;
using namespace Qt::StringLiterals;

namespace {

const QString kServer = QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv");
const QString kData = QStringLiteral(VAMBREL_TEST_DATA "/version/");
constexpr qint64 kTime = 1'600'000'000;
constexpr auto kDirect = Qt::DirectConnection;

qint64 mtimeOf(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 ? st.st_mtim.tv_sec : -1;
}

QString nameOf(const char* bytes) {
    return NameFromNative(bytes, std::strlen(bytes));
}

// Replaces the content of a file by a fixture's, keeping its time.
bool replaceKeepingTime(const QByteArray& path, const QString& fixture) {
    const qint64 t = mtimeOf(path);
    return t >= 0 && writeBytes(path, readAll(kData + fixture), t);
}

// The check's events as lines ("File 0", "State 3"), with the lists of its Complete.
struct CheckRun {
    QStringList events;
    bool success = false;
    QList<qint32> lists[3];
    int cancelAtFile = 0; // 0: never; -1: at the last file
    int files = 0;
    int totalFiles = 0;
    std::function<void()> onFirstFile;

    explicit CheckRun(cAsync2& job) {
        QObject::connect(
            &job, &cAsync2::ProgressFile, &job,
            [this](quint8 i, bool& cancel) {
                events << u"File "_s + QString::number(i);
                if (++files == 1 && onFirstFile)
                    onFirstFile();
                cancel = files == cancelAtFile || (cancelAtFile < 0 && files == totalFiles);
            },
            kDirect);
        QObject::connect(
            &job, &cAsync2::ProgressState, &job,
            [this](qint32 n) { events << u"State "_s + QString::number(n); }, kDirect);
        QObject::connect(
            &job, &cAsync2::Complete, &job,
            [this](bool& s, QList<qint32>& a, QList<qint32>& b, QList<qint32>& c) {
                success = s;
                lists[0] = a;
                lists[1] = b;
                lists[2] = c;
                events << u"Complete"_s;
            },
            kDirect);
        QObject::connect(
            &job, &cAsync2::Cancelled, &job, [this] { events << u"Cancelled"_s; }, kDirect);
    }
    bool waitEnd() {
        return QTest::qWaitFor(
            [this] { return events.contains(u"Complete"_s) || events.contains(u"Cancelled"_s); }, 60000);
    }
};

struct SearchRun {
    QStringList events;
    bool success = false;
    QString cancelAt; // e.g. "File 1"
    std::function<void()> onFirstFolder;

    explicit SearchRun(cAsync3& job) {
        auto note = [this](const QString& line, bool& cancel) {
            events << line;
            if (line == u"Folder 0"_s && onFirstFolder)
                onFirstFolder();
            cancel = line == cancelAt;
        };
        QObject::connect(
            &job, &cAsync3::ProgressMain, &job,
            [note](qint32 n, bool& c) { note(u"Main "_s + QString::number(n), c); }, kDirect);
        QObject::connect(
            &job, &cAsync3::ProgressFolder, &job,
            [note](qint32 n, bool& c) { note(u"Folder "_s + QString::number(n), c); }, kDirect);
        QObject::connect(
            &job, &cAsync3::ProgressFile, &job,
            [note](qint32 n, bool& c) { note(u"File "_s + QString::number(n), c); }, kDirect);
        QObject::connect(
            &job, &cAsync3::Complete, &job,
            [this](bool& s) {
                success = s;
                events << u"Complete"_s;
            },
            kDirect);
        QObject::connect(
            &job, &cAsync3::Cancelled, &job, [this] { events << u"Cancelled"_s; }, kDirect);
    }
    bool waitEnd() {
        return QTest::qWaitFor(
            [this] { return events.contains(u"Complete"_s) || events.contains(u"Cancelled"_s); }, 60000);
    }
};

// What the server process holds open, as resolved paths.
QStringList openFilesOf(qint64 pid) {
    QStringList out;
    const QString fdDir = u"/proc/"_s + QString::number(pid) + u"/fd"_s;
    const QStringList fds = QDir(fdDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& fd : fds)
        out << QFile::symLinkTarget(fdDir + u'/' + fd);
    return out;
}

} // namespace

class TestCompareJobs : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree, m_catalogue;
    int m_serial = 0;

    QString fresh(const QString& ext = u"dat"_s) { return m_dir.filePath(u"f%1."_s.arg(++m_serial) + ext); }
    QByteArray native(const char* relative) const {
        return PathToNative(m_tree) + '/' + QByteArray(relative);
    }

    // Catalogues `spec` through the server.
    bool build(const QString& file, const QString& spec) {
        cAsync job;
        bool done = false, ok = false;
        QObject::connect(&job, &cAsync::Complete, &job, [&](bool& s) {
            ok = s;
            done = true;
        });
        job.setFileName(file);
        job.setSpec(spec);
        job.setMask(u"*.*"_s);
        return !job.Start() && QTest::qWaitFor([&] { return done; }, 60000) && ok;
    }

    // The verdict of each catalogue row, by path relative to the tree: "idem", "distinct",
    // "gone", or "none" for a row in no list.
    QMap<QString, QString> verdicts(const QString& catalogue, const QList<qint32> (&lists)[3]) {
        QMap<QString, QString> out;
        Database db;
        if (!db.open(catalogue, OpenMode::ReadOnly))
            return {{u"<open>"_s, db.lastError()}};
        auto rows = OpenComparisonQuery(db);
        if (!rows)
            return {{u"<query>"_s, rows.error()}};
        static const QString names[3] = {u"idem"_s, u"distinct"_s, u"gone"_s};
        for (bool ok = rows->moveFirst(); ok; ok = rows->moveNext()) {
            const auto pos = qint32(rows->absolutePosition());
            QString verdict = u"none"_s;
            for (int i = 0; i < 3; ++i)
                if (lists[i].contains(pos))
                    verdict = verdict == u"none"_s ? names[i] : u"twice"_s;
            out.insert(ComparisonPath(rows.value()).mid(m_tree.size() + 1), verdict);
        }
        return out;
    }

    static QStringList newFiles(const QString& list) {
        Database db;
        if (!db.open(list, OpenMode::ReadOnly, DbKind::NewFilesList))
            return {u"<"_s + db.lastError() + u">"_s};
        auto rows = Snapshot::open(db, u"SELECT Folders.Nom, Files.Nom FROM Files INNER JOIN Folders "
                                       "ON Files.Num = Folders.Num"_s);
        if (!rows)
            return {u"<"_s + rows.error() + u">"_s};
        QStringList out;
        for (bool ok = rows->moveFirst(); ok; ok = rows->moveNext())
            out << rows->text(0) + u'/' + rows->text(1);
        out.sort();
        return out;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_tree = m_dir.filePath(u"tree"_s);
        QVERIFY(QDir().mkpath(m_tree + u"/sub"_s));
        for (const char* name :
             {"keep.txt", "deleted.txt", "newtime.txt", "newsize.txt", "Case.txt", "becomes.dir", "link.txt",
              "sub/inner.txt", "été.txt", "\xff\xfe-raw.txt", "sub/latin\xe9.txt"})
            QVERIFY(writeBytes(native(name), "contenu", kTime));
        QVERIFY(writeBytes(native("noversion.exe"), readAll(kData + u"pe32_noversion.exe"_s), kTime));
        QVERIFY(writeBytes(native("ver.dll"), readAll(kData + u"pe32_t3_s0.dll"_s), kTime));
        QVERIFY(writeBytes(native("attr.dll"), readAll(kData + u"pe32_t3_s0.dll"_s), kTime));
        m_catalogue = m_dir.filePath(u"tree.dat"_s);
        JobConnection::setServerPath(kServer);
        QVERIFY(build(m_catalogue, m_tree));

        // Since then:
        QCOMPARE(::unlink(native("deleted.txt")), 0);
        QVERIFY(writeBytes(native("newtime.txt"), "contenu", kTime + 1));
        QVERIFY(writeBytes(native("newsize.txt"), "contenu plus long", kTime));
        QCOMPARE(::rename(native("Case.txt"), native("CASE.TXT")), 0);
        QCOMPARE(::rename(native("été.txt"), native("ÉTÉ.TXT")), 0);
        QCOMPARE(::unlink(native("becomes.dir")), 0);
        QCOMPARE(::mkdir(native("becomes.dir"), 0755), 0);
        QCOMPARE(::unlink(native("link.txt")), 0);
        QCOMPARE(::symlink("keep.txt", native("link.txt")), 0);
        QCOMPARE(::unlink(native("sub/latin\xe9.txt")), 0);
        // Same size and time: only the product version tells (none to some; one to another);
        // attr.dll differs in other version fields only.
        QVERIFY(replaceKeepingTime(native("noversion.exe"), u"pe32_fixedonly.exe"_s));
        QVERIFY(replaceKeepingTime(native("ver.dll"), u"pe32_othertrans.dll"_s));
        QVERIFY(replaceKeepingTime(native("attr.dll"), u"pe32_t3_s1.dll"_s));
        // New files: in a known folder, in new folders, one not UTF-8, one hidden.
        QVERIFY(writeBytes(native("added.txt"), "x", kTime));
        QVERIFY(writeBytes(native("sub/.hidden"), "x", kTime));
        QVERIFY(writeBytes(native("sub/new\xfd.bin"), "x", kTime));
        QVERIFY(QDir().mkpath(m_tree + u"/newdir/deeper"_s));
        QVERIFY(writeBytes(native("newdir/one.txt"), "x", kTime));
        QVERIFY(writeBytes(native("newdir/deeper/two.txt"), "x", kTime));
    }
    void init() { JobConnection::setServerPath(kServer); }
    void cleanupTestCase() {
        // Names that are not UTF-8 are beyond QDir's removal.
        ::unlink(native("\xff\xfe-raw.txt"));
        ::unlink(native("sub/new\xfd.bin"));
    }

    void checkSortsEveryFile() {
        cAsync2 job;
        CheckRun run(job);
        job.setFileName(m_catalogue);
        QVERIFY(!job.Start());
        QVERIFY(run.waitEnd());
        QVERIFY2(run.success, qPrintable(job.errorText()));
        const QMap<QString, QString> expected{
            {u"keep.txt"_s, u"idem"_s},          {u"deleted.txt"_s, u"gone"_s},
            {u"newtime.txt"_s, u"distinct"_s},   {u"newsize.txt"_s, u"distinct"_s},
            {u"Case.txt"_s, u"idem"_s},          {u"été.txt"_s, u"idem"_s},
            {u"becomes.dir"_s, u"none"_s},       {u"link.txt"_s, u"distinct"_s},
            {u"noversion.exe"_s, u"distinct"_s}, {u"ver.dll"_s, u"distinct"_s},
            {u"attr.dll"_s, u"idem"_s},          {nameOf("\xff\xfe-raw.txt"), u"idem"_s},
            {u"sub/inner.txt"_s, u"idem"_s},     {u"sub/"_s + nameOf("latin\xe9.txt"), u"gone"_s},
        };
        QCOMPARE(verdicts(m_catalogue, run.lists), expected);

        // Over the wire, in order: per row, its ProgressFile (when sorted) then its ProgressState;
        // each ProgressFile's code agrees with the list the position went to.
        QCOMPARE(run.events.last(), u"Complete"_s);
        QCOMPARE(run.events.count(u"Complete"_s), 1);
        qint32 next = 0;
        QString pendingCode;
        for (const QString& e : run.events.mid(0, run.events.size() - 1)) {
            if (e.startsWith(u"File "_s)) {
                QVERIFY2(pendingCode.isEmpty(), "two ProgressFile for one row");
                pendingCode = e.mid(5);
                continue;
            }
            QCOMPARE(e, u"State "_s + QString::number(next));
            const QString listed = run.lists[0].contains(next)   ? u"0"_s
                                   : run.lists[1].contains(next) ? u"1"_s
                                   : run.lists[2].contains(next) ? u"2"_s
                                                                 : QString();
            QCOMPARE(pendingCode, listed);
            pendingCode.clear();
            ++next;
        }
        QCOMPARE(next, qint32(expected.size()));
        for (const auto& list : run.lists)
            QVERIFY(std::is_sorted(list.begin(), list.end()));
    }

    void searchListsExactlyTheNewFiles() {
        cAsync3 job;
        SearchRun run(job);
        const QString list = fresh();
        job.setFileName(list);
        job.setSpec(m_tree);
        job.setMask(u"*.*"_s);
        job.setFileRec(m_catalogue);
        QVERIFY(!job.Start());
        QVERIFY(run.waitEnd());
        QVERIFY2(run.success, qPrintable(job.errorText()));
        QCOMPARE(newFiles(list), (QStringList{
                                     m_tree + u"/added.txt"_s,
                                     m_tree + u"/newdir/deeper/two.txt"_s,
                                     m_tree + u"/newdir/one.txt"_s,
                                     m_tree + u"/sub/"_s + nameOf("new\xfd.bin"),
                                 }));
        // tree, becomes.dir, newdir, sub, newdir/deeper: Main 4, then each folder in walk order
        // with the running count of new files.
        QCOMPARE(run.events.first(), u"Main 4"_s);
        QCOMPARE(run.events.filter(u"Folder "_s),
                 (QStringList{u"Folder 0"_s, u"Folder 1"_s, u"Folder 2"_s, u"Folder 3"_s, u"Folder 4"_s}));
        QCOMPARE(run.events.filter(u"File "_s),
                 (QStringList{u"File 1"_s, u"File 2"_s, u"File 3"_s, u"File 4"_s}));
        QCOMPARE(run.events.last(), u"Complete"_s);
        QCOMPARE(run.events.count(u"Complete"_s), 1);
    }

    // More positions than one message carries: the lists arrive whole and in order.
    void manyPositions() {
        const QString cat = fresh();
        constexpr int kFiles = 70'000;
        {
            Database db;
            QVERIFY(db.create(cat, DbKind::Catalogue));
            CatalogueWriter w(db);
            QVERIFY(w.addFolder(0, m_dir.filePath(u"absent"_s)));
            for (int i = 0; i < kFiles; ++i)
                QVERIFY(w.addFile(FileRow{i, 0, u"f%1"_s.arg(i, 6, 10, QLatin1Char('0')), 1,
                                          QDateTime::fromSecsSinceEpoch(kTime), u"Fichier"_s}));
            QVERIFY(w.commit());
        }
        cAsync2 job;
        CheckRun run(job);
        job.setFileName(cat);
        QVERIFY(!job.Start());
        QVERIFY(run.waitEnd());
        QVERIFY(run.success);
        QCOMPARE(run.lists[2].size(), kFiles);
        for (int i = 0; i < kFiles; ++i)
            QCOMPARE(run.lists[2].at(i), i);
        QVERIFY(run.lists[0].isEmpty() && run.lists[1].isEmpty());
    }

    // Cancel in a ProgressFile handler: the first, or the last one of the job (the job has then
    // nothing left to read the cancel at: it must still end with Cancelled).
    void cancel_data() {
        QTest::addColumn<bool>("check");
        QTest::addColumn<int>("at"); // -1: the last ProgressFile
        QTest::newRow("check, first file") << true << 1;
        QTest::newRow("check, last file") << true << -1;
        QTest::newRow("search, first file") << false << 1;
        QTest::newRow("search, last file") << false << 4;
    }
    void cancel() {
        QFETCH(bool, check);
        QFETCH(int, at);
        QStringList events;
        const QString list = fresh();
        if (check) {
            cAsync2 job;
            CheckRun run(job);
            run.cancelAtFile = at;
            run.totalFiles = 13; // every row but the folder
            job.setFileName(m_catalogue);
            QVERIFY(!job.Start());
            QVERIFY(run.waitEnd());
            events = run.events;
        } else {
            cAsync3 job;
            SearchRun run(job);
            run.cancelAt = u"File "_s + QString::number(at);
            job.setFileName(list);
            job.setSpec(m_tree);
            job.setFileRec(m_catalogue);
            QVERIFY(!job.Start());
            QVERIFY(run.waitEnd());
            events = run.events;
            QVERIFY(!QFile::exists(list));
            QVERIFY(!QFile::exists(list + u"-journal"_s));
        }
        QTest::qWait(50); // nothing may follow the terminal event
        QCOMPARE(events.last(), u"Cancelled"_s);
        QVERIFY(!events.contains(u"Complete"_s));
        QCOMPARE(events.count(u"Cancelled"_s), 1);
        // No event after the one whose handler cancelled.
        const qsizetype files = events.filter(u"File "_s).size();
        QCOMPARE(files, qsizetype(at < 0 ? 13 : at));
        QVERIFY(events.at(events.size() - 2).startsWith(u"File "_s));
    }

    void checkFailures_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("cause");
        QTest::newRow("no such file") << u"missing"_s << u""_s;
        QTest::newRow("not a catalogue") << u"text"_s << u""_s;
        QTest::newRow("damaged") << u"damaged"_s << u""_s;
        QTest::newRow("fields missing") << u"fields"_s << u""_s;
        QTest::newRow("no file") << u"empty"_s << u"aucun fichier"_s;
    }
    void checkFailures() {
        QFETCH(QString, what);
        QFETCH(QString, cause);
        QString path = fresh();
        if (what == u"text"_s) {
            QVERIFY(writeBytes(PathToNative(path), "SQLite format 3 mais pas vraiment", kTime));
        } else if (what == u"damaged"_s) {
            const QByteArray whole = readAll(m_catalogue);
            QVERIFY(whole.size() > 8192);
            QVERIFY(writeBytes(PathToNative(path), whole.left(whole.size() / 2), kTime));
        } else if (what == u"fields"_s) {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db,
                                  "CREATE TABLE Folders (Nom TEXT, Num INTEGER);"
                                  "CREATE TABLE Files (NumId INTEGER, Num INTEGER, Nom TEXT);"
                                  "CREATE TABLE Version (NumId INTEGER);"
                                  "INSERT INTO Folders VALUES ('/', 0);"
                                  "INSERT INTO Files VALUES (0, 0, 'a');",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
        } else if (what == u"empty"_s) {
            const QString empty = m_dir.filePath(u"empty-tree"_s);
            QVERIFY(QDir().mkpath(empty + u"/only-a-folder"_s));
            QVERIFY(build(path, empty));
        }
        const QByteArray before = readAll(path);
        cAsync2 job;
        CheckRun run(job);
        job.setFileName(path);
        QVERIFY(!job.Start());
        QVERIFY(run.waitEnd());
        QCOMPARE(run.events, QStringList{u"Complete"_s});
        QVERIFY(!run.success);
        QVERIFY(run.lists[0].isEmpty() && run.lists[1].isEmpty() && run.lists[2].isEmpty());
        QVERIFY(!job.errorText().isEmpty());
        QVERIFY2(job.errorText().contains(cause), qPrintable(job.errorText()));
        QCOMPARE(readAll(path), before);
    }

    void searchFailures_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("list exists") << u"exists"_s;
        QTest::newRow("FileRec not a catalogue") << u"badrec"_s;
        QTest::newRow("FileRec missing") << u"norec"_s;
    }
    void searchFailures() {
        QFETCH(QString, what);
        const QString list = fresh();
        QString rec = m_catalogue;
        if (what == u"exists"_s)
            QVERIFY(writeBytes(PathToNative(list), "à garder", kTime));
        else if (what == u"badrec"_s)
            QVERIFY(writeBytes(PathToNative(rec = fresh()), "pas un catalogue", kTime));
        else
            rec = fresh();
        cAsync3 job;
        SearchRun run(job);
        job.setFileName(list);
        job.setSpec(m_tree);
        job.setFileRec(rec);
        QVERIFY(!job.Start());
        QVERIFY(run.waitEnd());
        QCOMPARE(run.events, QStringList{u"Complete"_s});
        QVERIFY(!run.success);
        QVERIFY(!job.errorText().isEmpty());
        if (what == u"exists"_s) {
            QCOMPARE(readAll(list), QByteArray("à garder"));
            QCOMPARE(mtimeOf(PathToNative(list)), kTime);
        }
    }

    // Whatever the outcome, the server holds neither the compared catalogue nor the list once
    // the terminal event has arrived.
    void nothingHeldOpen_data() {
        QTest::addColumn<bool>("check");
        QTest::addColumn<QString>("outcome");
        for (const bool check : {true, false})
            for (const char* o : {"complete", "cancelled", "failed"})
                QTest::addRow("%s, %s", check ? "check" : "search", o) << check << QString::fromLatin1(o);
    }
    void nothingHeldOpen() {
        QFETCH(bool, check);
        QFETCH(QString, outcome);
        const QString list = fresh();
        if (outcome == u"failed"_s && !check)
            QVERIFY(writeBytes(PathToNative(list), "occupé", kTime));
        QString catalogue = m_catalogue;
        if (outcome == u"failed"_s && check) {
            catalogue = fresh();
            const QByteArray whole = readAll(m_catalogue);
            QVERIFY(writeBytes(PathToNative(catalogue), whole.left(whole.size() / 2), kTime));
        }
        QStringList held;
        qint64 pid = 0;
        if (check) {
            cAsync2 job;
            CheckRun run(job);
            run.cancelAtFile = outcome == u"cancelled"_s ? 2 : 0;
            job.setFileName(catalogue);
            QVERIFY(!job.Start());
            QVERIFY(run.waitEnd());
            QCOMPARE(run.events.last(), outcome == u"cancelled"_s ? u"Cancelled"_s : u"Complete"_s);
            QCOMPARE(run.success, outcome == u"complete"_s);
            pid = JobConnection::instance().serverProcessId();
        } else {
            cAsync3 job;
            SearchRun run(job);
            if (outcome == u"cancelled"_s)
                run.cancelAt = u"File 1"_s;
            job.setFileName(list);
            job.setSpec(m_tree);
            job.setFileRec(catalogue);
            QVERIFY(!job.Start());
            QVERIFY(run.waitEnd());
            QCOMPARE(run.events.last(), outcome == u"cancelled"_s ? u"Cancelled"_s : u"Complete"_s);
            QCOMPARE(run.success, outcome == u"complete"_s);
            pid = JobConnection::instance().serverProcessId();
        }
        QVERIFY(pid > 0);
        held = openFilesOf(pid);
        QVERIFY(!held.isEmpty()); // the listing works: at least the pipes show
        const QString canonicalDir = QFileInfo(m_dir.path()).canonicalFilePath();
        for (const QString& target : held)
            QVERIFY2(!target.startsWith(canonicalDir) && !target.startsWith(m_dir.path()),
                     qPrintable(target));
    }

    // The server killed while a job runs: Complete false, with the cause, and empty lists.
    void serverKilled_data() {
        QTest::addColumn<bool>("check");
        QTest::newRow("check") << true;
        QTest::newRow("search") << false;
    }
    void serverKilled() {
        QFETCH(bool, check);
        auto kill = [] { ::kill(static_cast<pid_t>(JobConnection::instance().serverProcessId()), SIGKILL); };
        QStringList events;
        QString cause;
        if (check) {
            cAsync2 job;
            CheckRun run(job);
            run.onFirstFile = kill;
            job.setFileName(m_catalogue);
            QVERIFY(!job.Start());
            QVERIFY(run.waitEnd());
            QVERIFY(!run.success);
            QVERIFY(run.lists[0].isEmpty() && run.lists[1].isEmpty() && run.lists[2].isEmpty());
            events = run.events;
            cause = job.errorText();
        } else {
            cAsync3 job;
            SearchRun run(job);
            run.onFirstFolder = kill;
            job.setFileName(fresh());
            job.setSpec(m_tree);
            job.setFileRec(m_catalogue);
            QVERIFY(!job.Start());
            QVERIFY(run.waitEnd());
            QVERIFY(!run.success);
            events = run.events;
            cause = job.errorText();
        }
        QTest::qWait(50);
        QCOMPARE(events.last(), u"Complete"_s);
        QCOMPARE(events.count(u"Complete"_s) + events.count(u"Cancelled"_s), 1);
        QCOMPARE(cause, u"Le serveur de tâches s'est arrêté brutalement."_s);
    }
};

QTEST_GUILESS_MAIN(TestCompareJobs)
#include "tst_comparejobs.moc"
