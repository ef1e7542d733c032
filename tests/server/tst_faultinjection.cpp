// Every file-system call of a build, a check, a new-file search and an export made to fail in
// turn, and every write or read of the database engine too: each job ends with exactly one
// terminal event and a French cause, leaves no journal or temporary file, and never changes a
// catalogue it was not asked to write. The counts of faults injected are printed at the end.
#include "CatalogueBuilder.h"
#include "CatalogueCheck.h"
#include "CatalogueConversion.h"
#include "CatalogueWriter.h"
#include "Database.h"
#include "FaultInjection.h"
#include "FaultVfs.h"
#include "ListExport.h"
#include "NewFileSearch.h"
#include "SmallFileSystem.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <functional>
#include <sys/statvfs.h>

using namespace vambrel;
using namespace vambrel::test;
using namespace Qt::StringLiterals;

namespace {

struct Terminal {
    int complete = 0;
    int cancelled = 0;
    bool success = false;
    int count() const { return complete + cancelled; }
};

class BuildSink : public BuildEvents {
public:
    Terminal end;
    int files = 0;
    bool ProgressMain(const QString&) override { return false; }
    bool ProgressFolder(qint32) override { return false; }
    bool ProgressFile(qint32 n) override {
        files = n;
        return false;
    }
    void ProgressState(qint32) override {}
    void Complete(bool ok) override {
        ++end.complete;
        end.success = ok;
    }
    void Cancelled() override { ++end.cancelled; }
};

class CheckSink : public CheckEvents {
public:
    Terminal end;
    QList<qint32> idem, distinct, gone;
    bool ProgressFile(quint8) override { return false; }
    void ProgressState(qint32) override {}
    void Complete(bool ok, const QList<qint32>& a, const QList<qint32>& b, const QList<qint32>& c) override {
        ++end.complete;
        end.success = ok;
        idem = a;
        distinct = b;
        gone = c;
    }
    void Cancelled() override { ++end.cancelled; }
};

class SearchSink : public NewFileEvents {
public:
    Terminal end;
    bool ProgressMain(qint32) override { return false; }
    bool ProgressFolder(qint32) override { return false; }
    bool ProgressFile(qint32) override { return false; }
    void Complete(bool ok) override {
        ++end.complete;
        end.success = ok;
    }
    void Cancelled() override { ++end.cancelled; }
};

// What the sweeps did, per job kind, for the closing figures.
struct Tally {
    int runs = 0;
    int injected = 0;
    int succeeded = 0;
    int degraded = 0; // succeeded, with less found than without the fault
    int failed = 0;
    QMap<QString, int> causes; // the causes given, with the file names taken out
};

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// A cause for the user: not empty, and none of the engine's or the C library's English texts.
bool isFrenchCause(const QString& cause) {
    if (cause.trimmed().isEmpty())
        return false;
    for (int code = 1; code <= 28; ++code)
        if (cause.contains(QString::fromUtf8(sqlite3_errstr(code)), Qt::CaseInsensitive))
            return false;
    for (int err : {EIO, ENOENT, ENOSPC, EROFS, EACCES, ENOTDIR, EXDEV, EBADF})
        if (cause.contains(QString::fromLocal8Bit(std::strerror(err))))
            return false;
    return true;
}

// A database file that the engine finds whole, and whose rows hold together.
QString wholeDatabaseProblem(const QString& path, DbKind kind) {
    const QStringList integrity = queryRows(path, u"PRAGMA integrity_check"_s, kind);
    if (integrity != QStringList{u"ok"_s})
        return u"integrity: "_s + integrity.join(u' ');
    const QStringList orphans =
        queryRows(path, u"SELECT count(*) FROM Files WHERE Num NOT IN (SELECT Num FROM Folders)"_s, kind);
    if (orphans != QStringList{u"0"_s})
        return u"orphan files: "_s + orphans.join(u' ');
    const QStringList numbers =
        queryRows(path, u"SELECT count(*), coalesce(max(NumId) + 1, 0) FROM Files"_s, kind);
    if (numbers.size() != 1 || numbers[0].section(u'|', 0, 0) != numbers[0].section(u'|', 1, 1))
        return u"file numbers with gaps: "_s + numbers.join(u' ');
    return {};
}

// A failing disk and a vanished entry for every call; a full disk and a read-only medium for the
// calls that create, write or remove.
QList<int> errorsFor(FsCall call) {
    switch (call) {
    case FsCall::Open:
    case FsCall::Close:
    case FsCall::Write:
    case FsCall::MkTemp:
    case FsCall::Rename:
    case FsCall::Unlink:
    case FsCall::Fsync:
        return {EIO, ENOENT, ENOSPC, EROFS};
    default:
        return {EIO, ENOENT};
    }
}

QString errorName(int err) {
    switch (err) {
    case EIO:
        return u"EIO"_s;
    case ENOENT:
        return u"ENOENT"_s;
    case ENOSPC:
        return u"ENOSPC"_s;
    case EROFS:
        return u"EROFS"_s;
    default:
        return QString::number(err);
    }
}

// What a failure caused by the fault must say.
QString causeOfError(int err) {
    switch (err) {
    case ENOSPC:
        return u"le disque est plein"_s;
    case EROFS:
        return u"lecture seule"_s;
    case EIO:
        return u"erreur d'entrée-sortie"_s;
    default:
        return {};
    }
}

QString causeOfEngine(int code) {
    switch (code & 0xff) {
    case SQLITE_FULL:
        return u"le disque est plein"_s;
    case SQLITE_IOERR:
        return u"erreur d'entrée-sortie"_s;
    default:
        return {};
    }
}

struct VfsFault {
    int code;
    bool persistent;
};

QList<VfsFault> vfsFaultsFor(VfsCall call) {
    switch (call) {
    case VfsCall::Open:
        return {{SQLITE_CANTOPEN, false}, {SQLITE_IOERR, false}};
    case VfsCall::Delete:
        return {{SQLITE_IOERR_DELETE, false}};
    case VfsCall::Read:
        return {{SQLITE_IOERR_READ, false}, {SQLITE_IOERR_READ, true}};
    case VfsCall::Write:
        return {{SQLITE_FULL, true}, {SQLITE_IOERR_WRITE, false}};
    case VfsCall::Truncate:
        return {{SQLITE_FULL, true}, {SQLITE_IOERR_TRUNCATE, false}};
    case VfsCall::Sync:
        return {{SQLITE_IOERR_FSYNC, false}};
    }
    return {};
}

} // namespace

class TestFaultInjection : public QObject {
    Q_OBJECT

    // Thousands of small jobs, each with its own file: in memory when the system offers a
    // memory file system, where a file's sync costs nothing.
    QTemporaryDir m_root{QFileInfo(u"/dev/shm"_s).isWritable()
                             ? u"/dev/shm/vambrel-faults-XXXXXX"_s
                             : QDir::tempPath() + u"/vambrel-faults-XXXXXX"_s};
    QString m_tree; // a/{x.txt, big.dat, prog.exe, sub/{z.txt, lib.dll, deep/d.txt}, .cache/k.txt}, b/{w.txt,
                    // v.txt, empty/}
    QString m_spec; // m_tree/a:m_tree/b
    QString m_catalogue; // the tree as built before the new files came
    QByteArray m_catalogueBytes;
    QString m_earlier; // the same catalogue in the earlier format
    int m_treeFiles = 0;
    QStringList m_newNames; // the files added since the catalogue
    QMap<QString, Tally> m_tally;
    bool m_persistentFault = false; // the fault armed lasts after the job
    QString m_expectedCause;        // what a failure must name, for the fault armed

    QString freshFolder() {
        static int n = 0;
        const QString path = m_root.filePath(u"run"_s + QString::number(++n));
        QDir().mkpath(path);
        return path;
    }

    static void makeTree(const QString& root) {
        QDir d;
        QVERIFY(d.mkpath(root + u"/a/sub/deep"_s));
        QVERIFY(d.mkpath(root + u"/a/.cache"_s));
        QVERIFY(d.mkpath(root + u"/b/empty"_s));
        makeFile(root + u"/a/x.txt"_s, "12345");
        makeFile(root + u"/a/big.dat"_s, QByteArray(4000, 'y'));
        makeFile(root + u"/a/sub/z.txt"_s);
        makeFile(root + u"/a/sub/deep/d.txt"_s, "dd");
        makeFile(root + u"/a/.cache/k.txt"_s);
        makeFile(root + u"/b/w.txt"_s, "w");
        makeFile(root + u"/b/v.txt"_s, "vv");
        const QByteArray image = readAll(QStringLiteral(VAMBREL_TEST_DATA "/version/pe32_full.exe"));
        QVERIFY(!image.isEmpty());
        makeFile(root + u"/a/prog.exe"_s, image);
        makeFile(root + u"/a/sub/lib.dll"_s, image);
    }

    void noteCause(const QString& job, const QString& cause) {
        static const QRegularExpression names(u"« [^»]* »|/[^ ]+"_s);
        ++m_tally[job].causes[QString(cause).replace(names, u"…"_s)];
    }

    void note(const QString& job, const Terminal& end, int injected) {
        Tally& t = m_tally[job];
        ++t.runs;
        t.injected += injected;
        (end.success ? t.succeeded : t.failed) += 1;
    }

    // ---- one run of each job, with its outcome checked ----

    // Builds into a fresh folder; `where` names the fault for the messages.
    void buildOnce(const QString& job, const QString& spec, const QString& where,
                   const std::function<int()>& injected, int expectFiles = -1) {
        const QString out = freshFolder();
        const QString file = out + u"/qvt1.tmp"_s;
        BuildSink sink;
        QString cause;
        RunCatalogueBuild({file, spec, u"*.*"_s}, sink, &cause);
        const int n = injected();
        note(job, sink.end, n);
        if (!sink.end.success)
            noteCause(job, cause);
        QVERIFY2(sink.end.count() == 1 && sink.end.cancelled == 0, qPrintable(where));
        QStringList left = entriesOf(out);
        if (sink.end.success) {
            QVERIFY2(left == QStringList{u"qvt1.tmp"_s}, qPrintable(where + u": "_s + left.join(u' ')));
            const QString problem = wholeDatabaseProblem(file, DbKind::Catalogue);
            QVERIFY2(problem.isEmpty(), qPrintable(where + u": "_s + problem));
            QCOMPARE(queryRows(file, u"SELECT count(*) FROM Files"_s),
                     QStringList{QString::number(sink.files)});
            if (expectFiles >= 0)
                QVERIFY2(sink.files == expectFiles,
                         qPrintable(where + u": "_s + QString::number(sink.files)));
            const QStringList dated =
                queryRows(file, u"SELECT count(*) FROM Files WHERE \"Modifié\" > '1990'"_s);
            if (sink.files < m_treeFiles || dated != QStringList{QString::number(sink.files)})
                ++m_tally[job].degraded;
        } else {
            QVERIFY2(isFrenchCause(cause), qPrintable(where + u": "_s + cause));
            QVERIFY2(m_expectedCause.isEmpty() || cause.contains(m_expectedCause),
                     qPrintable(where + u": "_s + cause));
            // The partly written file may stay (the client deletes it); nothing else does.
            // A disk that keeps failing keeps the journal that would make the file whole again:
            // once it works, the journal is put back and goes.
            if (m_persistentFault && left.contains(u"qvt1.tmp-journal"_s))
                QVERIFY2(Database::settleJournal(file), qPrintable(where));
            left = entriesOf(out);
            QVERIFY2(left.isEmpty() || left == QStringList{u"qvt1.tmp"_s},
                     qPrintable(where + u": "_s + left.join(u' ')));
            if (!left.isEmpty()) {
                const QString problem = wholeDatabaseProblem(file, DbKind::Catalogue);
                QVERIFY2(problem.isEmpty(), qPrintable(where + u": "_s + problem));
            }
        }
        QDir(out).removeRecursively();
    }

    void checkOnce(const QString& where, const std::function<int()>& injected) {
        CheckSink sink;
        QString cause;
        RunCatalogueCheck(m_catalogue, sink, &cause);
        note(u"check"_s, sink.end, injected());
        if (!sink.end.success)
            noteCause(u"check"_s, cause);
        QVERIFY2(sink.end.count() == 1 && sink.end.cancelled == 0, qPrintable(where));
        QCOMPARE(readAll(m_catalogue), m_catalogueBytes);
        QCOMPARE(entriesOf(QFileInfo(m_catalogue).path()), QStringList{QFileInfo(m_catalogue).fileName()});
        QSet<qint32> seen;
        for (const QList<qint32>* list : {&sink.idem, &sink.distinct, &sink.gone})
            for (qint32 p : *list) {
                QVERIFY2(p >= 0 && p < m_treeFiles && !seen.contains(p), qPrintable(where));
                seen.insert(p);
            }
        if (sink.end.success) {
            // A fault makes a file look different or gone at worst, never sorts it twice or not at all.
            QVERIFY2(seen.size() == m_treeFiles, qPrintable(where));
            if (sink.idem.size() < m_treeFiles)
                ++m_tally[u"check"_s].degraded;
        } else {
            QVERIFY2(isFrenchCause(cause), qPrintable(where + u": "_s + cause));
            QVERIFY2(m_expectedCause.isEmpty() || cause.contains(m_expectedCause),
                     qPrintable(where + u": "_s + cause));
        }
    }

    void searchOnce(const QString& where, const std::function<int()>& injected) {
        const QString out = freshFolder();
        const QString file = out + u"/qvt2.tmp"_s;
        SearchSink sink;
        QString cause;
        RunNewFileSearch({file, m_spec, u"*.*"_s, m_catalogue}, sink, &cause);
        note(u"new-file search"_s, sink.end, injected());
        if (!sink.end.success)
            noteCause(u"new-file search"_s, cause);
        QVERIFY2(sink.end.count() == 1 && sink.end.cancelled == 0, qPrintable(where));
        QCOMPARE(readAll(m_catalogue), m_catalogueBytes);
        QStringList left = entriesOf(out);
        if (sink.end.success) {
            QVERIFY2(left == QStringList{u"qvt2.tmp"_s}, qPrintable(where + u": "_s + left.join(u' ')));
            const QString problem = wholeDatabaseProblem(file, DbKind::NewFilesList);
            QVERIFY2(problem.isEmpty(), qPrintable(where + u": "_s + problem));
            // A fault may hide a new file, never make a known one new.
            const QStringList names = queryRows(file, u"SELECT Nom FROM Files"_s, DbKind::NewFilesList);
            for (const QString& name : names)
                QVERIFY2(m_newNames.contains(name), qPrintable(where + u": "_s + name));
            if (names.size() < m_newNames.size())
                ++m_tally[u"new-file search"_s].degraded;
        } else {
            QVERIFY2(isFrenchCause(cause), qPrintable(where + u": "_s + cause));
            QVERIFY2(m_expectedCause.isEmpty() || cause.contains(m_expectedCause),
                     qPrintable(where + u": "_s + cause));
            // A disk that keeps failing keeps the journal that would make the file whole again:
            // once it works, the journal is put back and goes.
            if (m_persistentFault && left.contains(u"qvt2.tmp-journal"_s))
                QVERIFY2(Database::settleJournal(file), qPrintable(where));
            left = entriesOf(out);
            QVERIFY2(left.isEmpty() || left == QStringList{u"qvt2.tmp"_s},
                     qPrintable(where + u": "_s + left.join(u' ')));
            if (!left.isEmpty()) {
                const QString problem = wholeDatabaseProblem(file, DbKind::NewFilesList);
                QVERIFY2(problem.isEmpty(), qPrintable(where + u": "_s + problem));
            }
        }
        QDir(out).removeRecursively();
    }

    void exportOnce(const QString& where, const std::function<int()>& injected) {
        const QString out = freshFolder();
        const QString path = out + u"/liste.txt"_s;
        makeFile(path, "ancienne liste\n");
        const QByteArray line(300, 'n');
        const QString error =
            ListExport::write(path, {u"Fichiers identiques"_s}, 5000, [&](qint64) { return line; });
        Terminal end;
        end.complete = 1;
        end.success = error.isEmpty();
        note(u"export"_s, end, injected());
        if (!error.isEmpty())
            noteCause(u"export"_s, error);
        QCOMPARE(entriesOf(out), QStringList{u"liste.txt"_s});
        if (error.isEmpty()) {
            QCOMPARE(readAll(path).size(), qsizetype(20 + 5000 * 301));
        } else {
            QVERIFY2(error.startsWith(u"Impossible d'écrire le fichier "_s) && isFrenchCause(error),
                     qPrintable(where + u": "_s + error));
            QVERIFY2(m_expectedCause.isEmpty() || error.contains(m_expectedCause),
                     qPrintable(where + u": "_s + error));
            QCOMPARE(readAll(path), QByteArray("ancienne liste\n"));
        }
        QDir(out).removeRecursively();
    }

    // The two writes made to a catalogue the user already has: its conversion from the earlier
    // format, then a new description. Either happens whole or not at all.
    void rewriteOnce(const QString& where, const std::function<int()>& injected) {
        const QString out = freshFolder();
        const QString file = out + u"/photos.dat"_s;
        QVERIFY(QFile::copy(m_earlier, file));
        QString error;
        bool converted = false;
        bool described = false;
        {
            Database db;
            if (db.open(file, OpenMode::ReadWrite)) {
                converted = CatalogueConversion::convert(db, u"2.0.0"_s, &error);
                described = converted && SetDescription(db, u"Nouvelle description"_s, &error);
            } else {
                error = db.lastError();
            }
        }
        Terminal end;
        end.complete = 1;
        end.success = described;
        note(u"catalogue rewrite"_s, end, injected());
        if (!described)
            noteCause(u"catalogue rewrite"_s, error);
        if (!described)
            QVERIFY2(isFrenchCause(error), qPrintable(where + u": "_s + error));
        // A disk that keeps failing keeps the journal that makes the file whole again.
        if (m_persistentFault)
            QVERIFY2(Database::settleJournal(file), qPrintable(where));
        QVERIFY2(entriesOf(out) == QStringList{u"photos.dat"_s},
                 qPrintable(where + entriesOf(out).join(u' ')));
        const QString problem = wholeDatabaseProblem(file, DbKind::Catalogue);
        QVERIFY2(problem.isEmpty(), qPrintable(where + u": "_s + problem));
        const QStringList version =
            queryRows(file, u"SELECT Value FROM Properties WHERE Name = 'VersionID'"_s);
        const QStringList description =
            queryRows(file, u"SELECT Value FROM Properties WHERE Name = 'Description'"_s);
        if (converted)
            QVERIFY2(version == QStringList{u"2.0.0"_s}, qPrintable(where + version.join(u' ')));
        else
            QVERIFY2(version.isEmpty(), qPrintable(where + version.join(u' ') + error));
        if (described)
            QVERIFY2(description == QStringList{u"Nouvelle description"_s}, qPrintable(where));
        else
            QVERIFY2(description == QStringList{u"Ajoutez une description à ce fichier Vambrel"_s},
                     qPrintable(where + description.join(u' ')));
        QCOMPARE(queryRows(file, u"SELECT count(*) FROM Files"_s), QStringList{QString::number(m_treeFiles)});
        QDir(out).removeRecursively();
    }

    // ---- the sweeps ----

    // Counts the calls of a clean run, then fails each of them in turn with each error.
    void sweepFileSystem(const std::function<void(const QString&, const std::function<int()>&)>& once) {
        std::array<int, kFsCallKinds> counts{};
        {
            FaultInjector counter;
            once(u"clean run"_s, [] { return 0; });
            for (int k = 0; k < kFsCallKinds; ++k)
                counts[size_t(k)] = counter.count(FsCall(k));
        }
        if (QTest::currentTestFailed())
            return;
        for (int kind = 0; kind < kFsCallKinds; ++kind) {
            for (int at = 1; at <= counts[size_t(kind)]; ++at) {
                for (int err : errorsFor(FsCall(kind))) {
                    FaultInjector faults;
                    faults.arm(FsCall(kind), at, err);
                    m_expectedCause = causeOfError(err);
                    const QString where = QString::fromLatin1(FsCallName(FsCall(kind))) + u" #"_s +
                                          QString::number(at) + u" "_s + errorName(err);
                    once(where, [&faults] { return faults.disarm(); });
                    m_expectedCause.clear();
                    if (QTest::currentTestFailed())
                        return;
                }
            }
        }
    }

    void sweepEngine(const std::function<void(const QString&, const std::function<int()>&)>& once) {
        std::array<int, kVfsCallKinds> counts{};
        {
            FaultVfs counter;
            QVERIFY(counter.isValid());
            once(u"clean run"_s, [] { return 0; });
            for (int k = 0; k < kVfsCallKinds; ++k)
                counts[size_t(k)] = counter.count(VfsCall(k));
        }
        if (QTest::currentTestFailed())
            return;
        for (int kind = 0; kind < kVfsCallKinds; ++kind) {
            for (int at = 1; at <= counts[size_t(kind)]; ++at) {
                for (const VfsFault& fault : vfsFaultsFor(VfsCall(kind))) {
                    FaultVfs vfs;
                    vfs.arm(VfsCall(kind), at, fault.code, fault.persistent);
                    m_persistentFault = fault.persistent;
                    m_expectedCause = causeOfEngine(fault.code);
                    const QString where = QString::fromLatin1(VfsCallName(VfsCall(kind))) + u" #"_s +
                                          QString::number(at) + u" code "_s + QString::number(fault.code) +
                                          (fault.persistent ? u" and after"_s : QString());
                    once(where, [&vfs] { return vfs.disarm(); });
                    if (QTest::currentTestFailed())
                        return;
                }
            }
        }
    }

private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "UTC0");
        tzset();
        QVERIFY(m_root.isValid());
        m_tree = m_root.filePath(u"tree"_s);
        makeTree(m_tree);
        m_spec = m_tree + u"/a:"_s + m_tree + u"/b"_s;
        // The catalogue the check and the search read, in a folder of its own.
        QVERIFY(QDir().mkpath(m_root.filePath(u"catalogue"_s)));
        m_catalogue = m_root.filePath(u"catalogue/tree.dat"_s);
        BuildSink sink;
        RunCatalogueBuild({m_catalogue, m_spec, u"*.*"_s}, sink);
        QVERIFY(sink.end.success);
        m_treeFiles = sink.files;
        QCOMPARE(m_treeFiles, 8);
        m_catalogueBytes = readAll(m_catalogue);
        m_earlier = m_root.filePath(u"catalogue-earlier.dat"_s);
        QVERIFY(QFile::copy(m_catalogue, m_earlier));
        {
            Database db;
            QVERIFY(db.open(m_earlier, OpenMode::ReadWrite));
            QVERIFY(db.exec(u"DELETE FROM Properties WHERE Name IN ('VersionID', 'Source')"_s));
        }
        // Files added since: in known folders, and in a folder the catalogue does not know.
        QVERIFY(QDir().mkpath(m_tree + u"/a/sub/fresh"_s));
        makeFile(m_tree + u"/a/new1.txt"_s);
        makeFile(m_tree + u"/b/new2.txt"_s);
        makeFile(m_tree + u"/a/sub/fresh/new3.txt"_s);
        m_newNames = QStringList{u"new1.txt"_s, u"new2.txt"_s, u"new3.txt"_s};
    }

    void cleanupTestCase() {
        int runs = 0, injected = 0;
        for (auto it = m_tally.cbegin(); it != m_tally.cend(); ++it) {
            qInfo("%-16s %5d runs, %5d faults injected: %5d ended in success (%d of them with less found), "
                  "%5d in failure with a cause",
                  qPrintable(it.key()), it->runs, it->injected, it->succeeded, it->degraded, it->failed);
            for (auto c = it->causes.cbegin(); c != it->causes.cend(); ++c)
                qInfo("    %5d × %s", c.value(), qPrintable(c.key()));
            runs += it->runs;
            injected += it->injected;
        }
        qInfo("all jobs         %5d runs, %5d faults injected", runs, injected);
    }

    // The causes the engine and the system give are put in French.
    void causesAreFrench_data() {
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("cause");
        QTest::newRow("cannot open") << int(VfsCall::Open) << SQLITE_CANTOPEN
                                     << u"le fichier ne peut pas être ouvert."_s;
        QTest::newRow("read error") << int(VfsCall::Read) << SQLITE_IOERR_READ
                                    << u"erreur d'entrée-sortie."_s;
        QTest::newRow("disk full") << int(VfsCall::Write) << SQLITE_FULL << u"le disque est plein."_s;
    }
    void causesAreFrench() {
        QFETCH(int, call);
        QFETCH(int, code);
        QFETCH(QString, cause);
        const QString out = freshFolder();
        Database db;
        {
            FaultVfs vfs;
            vfs.arm(VfsCall(call), 1, code, true);
            QVERIFY(!db.create(out + u"/x.dat"_s, DbKind::Catalogue));
        }
        QVERIFY2(db.lastError().endsWith(u" : "_s + cause), qPrintable(db.lastError()));
        FaultInjector faults;
        faults.arm(FsCall::Open, 1, EROFS);
        QVERIFY(!db.create(out + u"/y.dat"_s, DbKind::Catalogue));
        QVERIFY2(db.lastError().endsWith(u" : le support est en lecture seule."_s),
                 qPrintable(db.lastError()));
        QCOMPARE(entriesOf(out), QStringList());
    }

    // A file whose creation failed because its journal could not be deleted goes with that journal.
    void failedCreationLeavesNoJournal() {
        const QString out = freshFolder();
        Database db;
        FaultVfs vfs;
        vfs.arm(VfsCall::Delete, 1, SQLITE_IOERR_DELETE);
        QVERIFY(!db.create(out + u"/x.dat"_s, DbKind::Catalogue));
        QCOMPARE(vfs.disarm(), 1);
        QCOMPARE(entriesOf(out), QStringList());
    }

    // A journal left by a writer that failed: an unfinished transaction is put back, a finished
    // journal is removed, and one that cannot be put back yet stays.
    void settleJournal() {
        const QString out = freshFolder();
        const QString file = out + u"/x.dat"_s;
        const QString journal = file + u"-journal"_s;
        {
            Database db;
            QVERIFY(db.create(file, DbKind::Catalogue));
        }
        const QByteArray before = readAll(file);
        // The state of a writer stopped in the middle of a transaction: the file changed, the
        // journal holding the pages as they were.
        {
            Database db;
            QVERIFY(db.open(file, OpenMode::ReadWrite));
            QVERIFY(db.exec(u"PRAGMA journal_mode = PERSIST; PRAGMA cache_size = 1; BEGIN"_s));
            QVERIFY(db.exec(u"INSERT INTO Folders (Nom, Num) "
                            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                            "SELECT printf('/dossier/%08d', i), i FROM n"_s));
            QVERIFY(QFile::copy(file, out + u"/copy.dat"_s));
            QVERIFY(QFile::copy(journal, out + u"/copy.dat-journal"_s));
            QVERIFY(QFile::copy(file, out + u"/hot.dat"_s));
            QVERIFY(QFile::copy(journal, out + u"/hot.dat-journal"_s));
            QVERIFY(db.rollback());
        }
        QVERIFY(QFileInfo(out + u"/copy.dat-journal"_s).size() > 0);
        QVERIFY(readAll(out + u"/copy.dat"_s) != before);
        QVERIFY(Database::settleJournal(out + u"/copy.dat"_s));
        QVERIFY(!QFile::exists(out + u"/copy.dat-journal"_s));
        QCOMPARE(queryRows(out + u"/copy.dat"_s, u"SELECT count(*) FROM Folders"_s), QStringList{u"0"_s});
        QCOMPARE(wholeDatabaseProblem(out + u"/copy.dat"_s, DbKind::Catalogue), QString());

        // Finished (first byte 0) or empty: removed. None: nothing to do.
        for (const QByteArray& content : {QByteArray(600, '\0'), QByteArray()}) {
            makeFile(journal, content);
            QVERIFY(Database::settleJournal(file));
            QVERIFY(!QFile::exists(journal));
        }
        QVERIFY(Database::settleJournal(file));
        QCOMPARE(readAll(file), before);
        // Unfinished, and the disk still fails: the journal stays until it can be put back.
        {
            FaultVfs vfs;
            vfs.arm(VfsCall::Read, 1, SQLITE_IOERR_READ, true);
            QVERIFY(!Database::settleJournal(out + u"/hot.dat"_s));
        }
        QVERIFY(QFileInfo(out + u"/hot.dat-journal"_s).size() > 0);
        QVERIFY(Database::settleJournal(out + u"/hot.dat"_s));
        QCOMPARE(queryRows(out + u"/hot.dat"_s, u"SELECT count(*) FROM Folders"_s), QStringList{u"0"_s});
    }

    // Each entry of the tree vanishes in turn right after a listing named it: the build still
    // completes, without that entry's files; the new-file search likewise.
    void entriesVanish_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("filesLost");
        QTest::newRow("file") << u"a/x.txt"_s << 1;
        QTest::newRow("image") << u"a/prog.exe"_s << 1;
        QTest::newRow("folder") << u"a/sub"_s << 3;
        QTest::newRow("deep folder") << u"a/sub/deep"_s << 1;
        QTest::newRow("empty folder") << u"b/empty"_s << 0;
        QTest::newRow("start folder's file") << u"b/w.txt"_s << 1;
    }
    void entriesVanish() {
        QFETCH(QString, entry);
        QFETCH(int, filesLost);
        const QString tree = freshFolder();
        makeTree(tree);
        const QString spec = tree + u"/a:"_s + tree + u"/b"_s;
        {
            FaultInjector faults;
            faults.vanishAfterListing(tree + u'/' + entry);
            buildOnce(
                u"build (vanishing)"_s, spec, entry, [&faults] { return faults.disarm(); },
                m_treeFiles - filesLost);
            QVERIFY(faults.vanished());
        }
        if (QTest::currentTestFailed())
            return;
        makeTree(tree);
        makeFile(tree + u"/a/new1.txt"_s);
        makeFile(tree + u"/b/new2.txt"_s);
        const QString out = freshFolder();
        SearchSink sink;
        {
            FaultInjector faults;
            faults.vanishAfterListing(tree + u"/b/new2.txt"_s);
            RunNewFileSearch({out + u"/qvt2.tmp"_s, spec, u"*.*"_s, m_catalogue}, sink);
            note(u"new-file search (vanishing)"_s, sink.end, faults.disarm());
            QVERIFY(faults.vanished());
        }
        QVERIFY(sink.end.success);
        // The tree here is another one: every file of it is new, but the one that vanished.
        const QStringList names =
            queryRows(out + u"/qvt2.tmp"_s, u"SELECT Nom FROM Files"_s, DbKind::NewFilesList);
        QVERIFY(names.contains(u"new1.txt"_s));
        QVERIFY(!names.contains(u"new2.txt"_s));
        QCOMPARE(entriesOf(out), QStringList{u"qvt2.tmp"_s});
    }

    // Real small disks: a catalogue that no longer fits, a medium that is read-only.
    void buildOnARealFullDisk() {
        SmallFileSystem fs(96 * 1024);
        VAMBREL_REQUIRE_MOUNT(fs);
        const QString tree = freshFolder();
        for (int i = 0; i < 400; ++i)
            makeFile(tree + u"/un-nom-de-fichier-assez-long-pour-remplir-%1.txt"_s.arg(i));
        const QString file = fs.filePath(u"qvt1.tmp"_s);
        BuildSink sink;
        QString cause;
        RunCatalogueBuild({file, tree, u"*.*"_s}, sink, &cause);
        QCOMPARE(sink.end.count(), 1);
        QVERIFY(!sink.end.success);
        QVERIFY2(cause.endsWith(u" : le disque est plein."_s), qPrintable(cause));
        QVERIFY(sink.files > 0);
        const QStringList left = entriesOf(fs.path());
        QVERIFY2(left.isEmpty() || left == QStringList{u"qvt1.tmp"_s}, qPrintable(left.join(u' ')));
        if (!left.isEmpty())
            QCOMPARE(wholeDatabaseProblem(file, DbKind::Catalogue), QString());

        // The same with the new-file search, whose list no longer fits either.
        // A list is smaller than a catalogue: the disk is filled to a few pages first.
        QFile::remove(file);
        struct statvfs free {};
        QCOMPARE(::statvfs(QFile::encodeName(fs.path()).constData(), &free), 0);
        makeFile(fs.filePath(u"plein"_s),
                 QByteArray(qsizetype(free.f_bavail * free.f_frsize) - 12 * 1024, 'p'));
        const QString list = fs.filePath(u"qvt2.tmp"_s);
        SearchSink search;
        RunNewFileSearch({list, tree, u"*.*"_s, m_catalogue}, search, &cause);
        QVERIFY(!search.end.success);
        QVERIFY2(cause.endsWith(u" : le disque est plein."_s), qPrintable(cause));
        QVERIFY(entriesOf(fs.path()).size() <= 2);
        QVERIFY(!QFile::exists(list + u"-journal"_s));
    }

    void jobsOnARealReadOnlyMedium() {
        SmallFileSystem fs(1024 * 1024);
        VAMBREL_REQUIRE_MOUNT(fs);
        const QString catalogue = fs.filePath(u"tree.dat"_s);
        QVERIFY(QFile::copy(m_catalogue, catalogue));
        QVERIFY(fs.setReadOnly(true));
        QString cause;
        BuildSink build;
        RunCatalogueBuild({fs.filePath(u"qvt1.tmp"_s), m_spec, u"*.*"_s}, build, &cause);
        QVERIFY(!build.end.success);
        QVERIFY2(cause.endsWith(u" : le support est en lecture seule."_s), qPrintable(cause));
        SearchSink search;
        RunNewFileSearch({fs.filePath(u"qvt2.tmp"_s), m_spec, u"*.*"_s, catalogue}, search, &cause);
        QVERIFY(!search.end.success);
        QVERIFY2(cause.endsWith(u" : le support est en lecture seule."_s), qPrintable(cause));
        // A catalogue on a read-only medium is checked as any other.
        CheckSink check;
        RunCatalogueCheck(catalogue, check, &cause);
        QVERIFY2(check.end.success, qPrintable(cause));
        QCOMPARE(check.idem.size(), m_treeFiles);
        QCOMPARE(entriesOf(fs.path()), QStringList{u"tree.dat"_s});
        QVERIFY(fs.setReadOnly(false));
        QCOMPARE(readAll(catalogue), m_catalogueBytes);
    }

    void buildUnderFileSystemFaults() {
        sweepFileSystem([this](const QString& where, const std::function<int()>& injected) {
            buildOnce(u"build"_s, m_spec, where, injected);
        });
    }

    void buildUnderEngineFaults() {
        sweepEngine([this](const QString& where, const std::function<int()>& injected) {
            buildOnce(u"build (engine)"_s, m_spec, where, injected);
        });
    }

    void checkUnderFileSystemFaults() {
        sweepFileSystem([this](const QString& where, const std::function<int()>& injected) {
            checkOnce(where, injected);
        });
    }

    void checkUnderEngineFaults() {
        sweepEngine([this](const QString& where, const std::function<int()>& injected) {
            checkOnce(where, injected);
        });
    }

    void searchUnderFileSystemFaults() {
        sweepFileSystem([this](const QString& where, const std::function<int()>& injected) {
            searchOnce(where, injected);
        });
    }

    void searchUnderEngineFaults() {
        sweepEngine([this](const QString& where, const std::function<int()>& injected) {
            searchOnce(where, injected);
        });
    }

    void rewriteUnderEngineFaults() {
        sweepEngine([this](const QString& where, const std::function<int()>& injected) {
            rewriteOnce(where, injected);
        });
    }

    void exportUnderFileSystemFaults() {
        sweepFileSystem([this](const QString& where, const std::function<int()>& injected) {
            exportOnce(where, injected);
        });
    }
};

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
