#include "AsOtherUser.h"
#include "CatalogueBuilder.h"
#include "CatalogueCheck.h"
#include "ComparisonQuery.h"
#include "Database.h"
#include "PathSyntax.h"
#include "QuietBuild.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace vambrel;
using namespace Qt::StringLiterals;

namespace {

class Recorder : public CheckEvents {
public:
    QStringList lines;
    QList<qint32> idem, distinct, nonExist;
    int cancelAtFile = 0;
    int files = 0;
    int stopAtState = -1; // the job's flag is set after this ProgressState, between events
    StopFlag stop{false};
    const StopFlag* stopFlag() const override { return &stop; }
    bool ProgressFile(quint8 i) override {
        lines << u"ProgressFile "_s + QString::number(i);
        return ++files == cancelAtFile;
    }
    void ProgressState(qint32 n) override {
        lines << u"ProgressState "_s + QString::number(n);
        if (n == stopAtState)
            stop = true;
    }
    void Complete(bool ok, const QList<qint32>& a, const QList<qint32>& b, const QList<qint32>& c) override {
        lines << (ok ? u"Complete true"_s : u"Complete false"_s);
        idem = a;
        distinct = b;
        nonExist = c;
    }
    void Cancelled() override { lines << u"Cancelled"_s; }
};

void writeFile(const QString& path, const QByteArray& content, qint64 mtime) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(content);
    f.close();
    struct utimbuf t {
        mtime, mtime
    };
    QCOMPARE(utime(QFile::encodeName(path).constData(), &t), 0);
}

QByteArray hashOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1)
                                       : QByteArray();
}

qint64 mtimeOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mtim.tv_sec;
}

// The verdict the check gave for a file, by its name: "idem", "distinct", "gone" or "none".
QString verdictOf(const QString& catalogue, const Recorder& r, const QString& name) {
    Database db;
    if (!db.open(catalogue, OpenMode::ReadOnly))
        return u"<db>"_s;
    auto rows = OpenComparisonQuery(db);
    if (!rows)
        return u"<query>"_s;
    QStringList found;
    for (bool ok = rows->moveFirst(); ok; ok = rows->moveNext()) {
        if (rows->text(rows->fieldIndex(u"Files.Nom")) != name)
            continue;
        const auto pos = qint32(rows->absolutePosition());
        found << (r.idem.contains(pos)       ? u"idem"_s
                  : r.distinct.contains(pos) ? u"distinct"_s
                  : r.nonExist.contains(pos) ? u"gone"_s
                                             : u"none"_s);
    }
    return found.join(u',');
}

} // namespace

class TestCatalogueCheck : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString build(const QString& tree, const QString& name) {
        const QString file = m_dir.filePath(name);
        return test::quietBuild(file, tree) ? file : QString();
    }

private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        QVERIFY(m_dir.isValid());
    }

    void freshCatalogueIsIdentical() {
        const QString tree = m_dir.filePath(u"fresh"_s);
        QVERIFY(QDir().mkpath(tree + u"/sous"_s));
        writeFile(tree + u"/a.txt"_s, "aaa", 1'650'000'000);
        writeFile(tree + u"/sous/b.txt"_s, "b", 1'690'000'000);
        QVERIFY(
            QFile::copy(QStringLiteral(VAMBREL_TEST_DATA "/version/pe32_full.exe"), tree + u"/prog.exe"_s));
        const QString cat = build(tree, u"fresh.dat"_s);
        QVERIFY(!cat.isEmpty());
        Recorder r;
        RunCatalogueCheck(cat, r);
        QCOMPARE(r.lines.last(), u"Complete true"_s);
        QCOMPARE(r.idem, (QList<qint32>{0, 1, 2}));
        QVERIFY(r.distinct.isEmpty() && r.nonExist.isEmpty());
        QCOMPARE(r.lines, (QStringList{u"ProgressFile 0"_s, u"ProgressState 0"_s, u"ProgressFile 0"_s,
                                       u"ProgressState 1"_s, u"ProgressFile 0"_s, u"ProgressState 2"_s,
                                       u"Complete true"_s}));
    }

    void changesAreSorted() {
        const QString tree = m_dir.filePath(u"changes"_s);
        QVERIFY(QDir().mkpath(tree));
        const QStringList names{u"same.txt"_s,    u"deleted.txt"_s, u"newtime.txt"_s,
                                u"newsize.txt"_s, u"Case.txt"_s,    u"folder.txt"_s,
                                u"link.txt"_s,    u"ver.exe"_s,     u"noversion.txt"_s};
        for (const QString& n : names)
            writeFile(tree + u"/"_s + n, "contenu", 1'600'000'000);
        QFile::remove(tree + u"/ver.exe"_s);
        QVERIFY(
            QFile::copy(QStringLiteral(VAMBREL_TEST_DATA "/version/pe32_full.exe"), tree + u"/ver.exe"_s));
        const QString cat = build(tree, u"changes.dat"_s);
        QVERIFY(!cat.isEmpty());

        QVERIFY(QFile::remove(tree + u"/deleted.txt"_s));
        writeFile(tree + u"/newtime.txt"_s, "contenu", 1'600'000'100);
        writeFile(tree + u"/newsize.txt"_s, "contenu plus long", 1'600'000'000);
        QVERIFY(QFile::rename(tree + u"/Case.txt"_s, tree + u"/CASE.TXT"_s));
        QVERIFY(QFile::remove(tree + u"/folder.txt"_s));
        QVERIFY(QDir().mkdir(tree + u"/folder.txt"_s));
        QVERIFY(QFile::remove(tree + u"/link.txt"_s));
        QVERIFY(QFile::link(tree + u"/same.txt"_s, tree + u"/link.txt"_s));
        // Same size and time, another product version: only the version can tell.
        {
            const qint64 t = mtimeOf(tree + u"/ver.exe"_s);
            QFile f(tree + u"/ver.exe"_s);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QByteArray bytes = f.readAll();
            const QByteArray signature("\xBD\x04\xEF\xFE", 4);
            const qsizetype at = bytes.indexOf(signature);
            QVERIFY(at > 0);
            bytes[at + 16] = char(bytes[at + 16] + 1); // product version, most significant half
            f.seek(0);
            f.write(bytes);
            f.close();
            struct utimbuf times {
                t, t
            };
            QCOMPARE(utime(QFile::encodeName(tree + u"/ver.exe"_s).constData(), &times), 0);
        }
        const QByteArray before = hashOf(cat);
        Recorder r;
        RunCatalogueCheck(cat, r);
        QCOMPARE(r.lines.last(), u"Complete true"_s);
        QCOMPARE(verdictOf(cat, r, u"same.txt"_s), u"idem"_s);
        QCOMPARE(verdictOf(cat, r, u"deleted.txt"_s), u"gone"_s);
        QCOMPARE(verdictOf(cat, r, u"newtime.txt"_s), u"distinct"_s);
        QCOMPARE(verdictOf(cat, r, u"newsize.txt"_s), u"distinct"_s);
        QCOMPARE(verdictOf(cat, r, u"Case.txt"_s), u"idem"_s);
        QCOMPARE(verdictOf(cat, r, u"folder.txt"_s), u"none"_s);
        QCOMPARE(verdictOf(cat, r, u"link.txt"_s), u"distinct"_s);
        QCOMPARE(verdictOf(cat, r, u"ver.exe"_s), u"distinct"_s);
        QCOMPARE(verdictOf(cat, r, u"noversion.txt"_s), u"idem"_s);
        // Every row gets its ProgressState; the folder row gets no ProgressFile.
        QCOMPARE(r.lines.count(u"Complete true"_s), 1);
        int states = 0, files = 0;
        for (const QString& l : r.lines) {
            states += l.startsWith(u"ProgressState"_s);
            files += l.startsWith(u"ProgressFile"_s);
        }
        QCOMPARE(states, names.size());
        QCOMPARE(files, names.size() - 1);
        // The check never writes to the catalogue.
        QCOMPARE(hashOf(cat), before);
    }

    void pathsFromAnotherMachineAreGone() {
        const QString tree = m_dir.filePath(u"elsewhere"_s);
        QVERIFY(QDir().mkpath(tree));
        writeFile(tree + u"/x"_s, "x", 1'600'000'000);
        writeFile(tree + u"/y"_s, "y", 1'600'000'000);
        const QString cat = build(tree, u"elsewhere.dat"_s);
        QVERIFY(QDir(tree).removeRecursively());
        Recorder r;
        RunCatalogueCheck(cat, r);
        QCOMPARE(r.lines.last(), u"Complete true"_s);
        QCOMPARE(r.nonExist, (QList<qint32>{0, 1}));
    }

    void cancelInProgressFile() {
        const QString tree = m_dir.filePath(u"cancel"_s);
        QVERIFY(QDir().mkpath(tree));
        for (int i = 0; i < 5; ++i)
            writeFile(tree + u"/f"_s + QString::number(i), "z", 1'600'000'000);
        const QString cat = build(tree, u"cancel.dat"_s);
        Recorder r;
        r.cancelAtFile = 2;
        RunCatalogueCheck(cat, r);
        QCOMPARE(r.lines, (QStringList{u"ProgressFile 0"_s, u"ProgressState 0"_s, u"ProgressFile 0"_s,
                                       u"Cancelled"_s}));
    }

    // A cancel that arrives between events: before the catalogue is read (the reading stops), or
    // after a row; nothing more is sorted.
    void cancelBetweenEvents_data() {
        QTest::addColumn<int>("stopAtState");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("before the reading") << -2 << QStringList{u"Cancelled"_s};
        QTest::newRow("after the first row")
            << 0 << QStringList{u"ProgressFile 0"_s, u"ProgressState 0"_s, u"Cancelled"_s};
    }
    void cancelBetweenEvents() {
        QFETCH(int, stopAtState);
        QFETCH(QStringList, lines);
        const QString tree = m_dir.filePath(u"stop"_s);
        QVERIFY(QDir().mkpath(tree));
        for (int i = 0; i < 5; ++i)
            writeFile(tree + u"/f"_s + QString::number(i), "z", 1'600'000'000);
        const QString cat = build(tree, u"stop"_s + QString::number(stopAtState) + u".dat"_s);
        Recorder r;
        r.stopAtState = stopAtState;
        r.stop = stopAtState == -2;
        RunCatalogueCheck(cat, r);
        QCOMPARE(r.lines, lines);
    }

    // A file whose permissions forbid reading it: time and size still tell, and its version
    // resource reads as none, as for a file that has none.
    void unreadableFile() {
        const QString tree = m_dir.filePath(u"locked"_s);
        QVERIFY(QDir().mkpath(tree));
        QVERIFY(QFile::copy(QStringLiteral(VAMBREL_TEST_DATA "/version/pe32_t3_s0.dll"), tree + u"/a.dll"_s));
        writeFile(tree + u"/b.txt"_s, "texte", 1'600'000'000);
        const QString cat = build(tree, u"locked.dat"_s);
        QVERIFY(!cat.isEmpty());
        for (const QString& f : {tree + u"/a.dll"_s, tree + u"/b.txt"_s})
            QCOMPARE(::chmod(QFile::encodeName(f).constData(), 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(cat).constData(), 0644), 0);
        const auto text = test::RunAsNobody([&] {
            Recorder r;
            RunCatalogueCheck(cat, r);
            return (r.lines.last() + u'|' + QString::number(r.idem.size()) + u'|' +
                    QString::number(r.distinct.value(0, -1)) + u'|' + QString::number(r.idem.value(0, -1)))
                .toUtf8();
        });
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
        QVERIFY(text);
        // a.dll (position 0) had a product version: now unreadable, it differs; b.txt had none.
        QCOMPARE(*text, QByteArray("Complete true|1|0|1"));
    }

    // A catalogue is a file people exchange: a row whose name climbs out of its folder, or whose
    // folder is relative, is never resolved; the file it claims counts as gone.
    void forgedRowsAreNeverLookedUp() {
        const QString tree = m_dir.filePath(u"forged"_s);
        for (const QString& d : {u"/inner"_s, u"/inner2"_s, u"/inner3"_s})
            QVERIFY(QDir().mkpath(tree + d));
        writeFile(tree + u"/secret.txt"_s, "s", 1'650'000'000);
        writeFile(tree + u"/inner/a.txt"_s, "s", 1'650'000'000);
        writeFile(tree + u"/inner2/b.txt"_s, "b", 1'650'000'000);
        writeFile(tree + u"/inner3/c.txt"_s, "c", 1'650'000'000);
        writeFile(tree + u"/inner3/keep.txt"_s, "k", 1'650'000'000);
        const QString cat = build(tree, u"forged.dat"_s);
        QVERIFY(!cat.isEmpty());
        {
            Database db;
            QVERIFY(db.open(cat, OpenMode::ReadWrite));
            QVERIFY(db.exec(u"UPDATE Files SET Nom = '../secret.txt' WHERE Nom = 'a.txt'"_s));
            QVERIFY(db.exec(u"UPDATE Files SET Nom = '..' WHERE Nom = 'b.txt'"_s));
            QVERIFY(db.exec(u"UPDATE Folders SET Nom = 'inner3' WHERE Nom LIKE '%/inner3'"_s));
        }
        // Exactly what the forged rows point at exists, also from the working folder.
        writeFile(tree + u"/secret.txt"_s, "s", 1'650'000'000);
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tree));
        Recorder r;
        RunCatalogueCheck(cat, r);
        QVERIFY(QDir::setCurrent(cwd));
        QCOMPARE(r.lines.last(), u"Complete true"_s);
        QCOMPARE(verdictOf(cat, r, u"../secret.txt"_s), u"gone"_s);
        QCOMPARE(verdictOf(cat, r, u".."_s), u"gone"_s);
        QCOMPARE(verdictOf(cat, r, u"c.txt"_s), u"gone"_s);
        QCOMPARE(verdictOf(cat, r, u"keep.txt"_s), u"gone"_s);
        QCOMPARE(verdictOf(cat, r, u"secret.txt"_s), u"idem"_s);
    }

    void failures_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("missing file") << u"missing"_s;
        QTest::newRow("not a catalogue") << u"text"_s;
        QTest::newRow("no file rows") << u"empty"_s;
    }
    void failures() {
        QFETCH(QString, what);
        QString path = m_dir.filePath(u"fail-"_s + what + u".dat"_s);
        if (what == u"text"_s)
            writeFile(path, "ceci n'est pas un catalogue", 1'600'000'000);
        else if (what == u"empty"_s) {
            const QString tree = m_dir.filePath(u"emptytree"_s);
            QVERIFY(QDir().mkpath(tree));
            path = build(tree, u"fail-empty.dat"_s);
            QVERIFY(!path.isEmpty());
        }
        Recorder r;
        QString cause;
        RunCatalogueCheck(path, r, &cause);
        QCOMPARE(r.lines, QStringList{u"Complete false"_s});
        QVERIFY(!cause.isEmpty());
        QVERIFY(r.idem.isEmpty() && r.distinct.isEmpty() && r.nonExist.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCatalogueCheck)
#include "tst_catalogcheck.moc"
