#include "CatalogueBuilder.h"
#include "Database.h"
#include "NativeName.h"
#include "Snapshot.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace vambrel;
using test::makeFile;
using namespace Qt::StringLiterals;

namespace {

// Records every event as a line, and cancels at the N-th event of a given name.
class Recorder : public BuildEvents {
public:
    QStringList lines;
    QString cancelOn;
    int cancelAt = 0;
    // A cancel that arrives just after the first event of this name went out: the event itself
    // returns no Cancel, the job's flag is set.
    QString stopAfter;
    StopFlag stop{false};

    const StopFlag* stopFlag() const override { return &stop; }

    bool ProgressMain(const QString& s) override { return note(u"ProgressMain "_s + s, u"ProgressMain"_s); }
    bool ProgressFolder(qint32 n) override {
        return note(u"ProgressFolder "_s + QString::number(n), u"ProgressFolder"_s);
    }
    bool ProgressFile(qint32 n) override {
        return note(u"ProgressFile "_s + QString::number(n), u"ProgressFile"_s);
    }
    void ProgressState(qint32 n) override { lines << u"ProgressState "_s + QString::number(n); }
    void Complete(bool ok) override { lines << (ok ? u"Complete true"_s : u"Complete false"_s); }
    void Cancelled() override { lines << u"Cancelled"_s; }

    int count(const QString& prefix) const {
        int n = 0;
        for (const QString& l : lines)
            n += l.startsWith(prefix) ? 1 : 0;
        return n;
    }

private:
    QHash<QString, int> m_seen;
    bool note(const QString& line, const QString& name) {
        lines << line;
        if (name == stopAfter)
            stop = true;
        return name == cancelOn && ++m_seen[name] == cancelAt;
    }
};

} // namespace

class TestCatalogueBuilder : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree; // a/{x.txt, y.dat, .cachee}, a/sub/{z.txt}, a/.cache/{k.txt}, b/{w.txt}

    QString target(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "UTC0");
        tzset();
        QVERIFY(m_dir.isValid());
        m_tree = m_dir.filePath(u"tree"_s);
        QDir d;
        QVERIFY(d.mkpath(m_tree + u"/a/sub"_s));
        QVERIFY(d.mkpath(m_tree + u"/a/.cache"_s));
        QVERIFY(d.mkpath(m_tree + u"/b"_s));
        makeFile(m_tree + u"/a/x.txt"_s, "12345");
        makeFile(m_tree + u"/a/y.dat"_s, QByteArray(3000, 'y'), 1'000'000'000);
        makeFile(m_tree + u"/a/.cachee"_s);
        makeFile(m_tree + u"/a/sub/z.txt"_s);
        makeFile(m_tree + u"/a/.cache/k.txt"_s);
        makeFile(m_tree + u"/b/w.txt"_s);
        QVERIFY(QFile::copy(QStringLiteral(VAMBREL_TEST_DATA "/version/pe32_full.exe"),
                            m_tree + u"/b/prog.exe"_s));
    }

    void buildRecordsTheTree() {
        const QString file = target("two.dat");
        const QString spec = m_tree + u"/a:"_s + m_tree + u"/b"_s;
        Recorder r;
        QString cause;
        RunCatalogueBuild({file, spec, u"*.*"_s}, r, &cause);
        QVERIFY2(r.lines.last() == u"Complete true"_s, qPrintable(cause));
        QCOMPARE(r.count(u"Complete"_s) + r.count(u"Cancelled"_s), 1);
        // Folders: breadth-first per start folder, numbered across both without gaps.
        QCOMPARE(test::queryRows(file, u"SELECT Num, Nom FROM Folders ORDER BY Num"_s),
                 (QStringList{u"0|"_s + m_tree + u"/a"_s, u"1|"_s + m_tree + u"/a/sub"_s,
                              u"2|"_s + m_tree + u"/b"_s}));
        QStringList files =
            test::queryRows(file, u"SELECT Num, Nom, Taille, \"Modifié\" FROM Files ORDER BY NumId"_s);
        // Within a folder the order is the file system's: compare sorted per folder.
        std::sort(files.begin(), files.end());
        QCOMPARE(
            files,
            (QStringList{
                u"0|x.txt|5|2020-09-13 12:26:40"_s, u"0|y.dat|3000|2001-09-09 01:46:40"_s,
                u"1|z.txt|1|2020-09-13 12:26:40"_s,
                u"2|prog.exe|"_s + QString::number(QFileInfo(m_tree + u"/b/prog.exe"_s).size()) + u"|"_s +
                    test::queryRows(file, u"SELECT \"Modifié\" FROM Files WHERE Nom = 'prog.exe'"_s).value(0),
                u"2|w.txt|1|2020-09-13 12:26:40"_s}));
        QCOMPARE(test::queryRows(file, u"SELECT min(NumId), max(NumId), count(*) FROM Files"_s),
                 QStringList{u"0|4|5"_s});
        // Version rows only for the image.
        QCOMPARE(
            test::queryRows(
                file, u"SELECT Files.Nom FROM Version INNER JOIN Files ON Files.NumId = Version.NumId"_s),
            QStringList{u"prog.exe"_s});
        QCOMPARE(
            test::queryRows(
                file,
                u"SELECT Name || '=' || Value FROM Properties WHERE Name <> 'DateCréation' ORDER BY rowid"_s),
            (QStringList{u"VersionID=2.0.0"_s, u"Source="_s + spec, u"Origine="_s + m_tree + u"/"_s,
                         u"Masque=*.*"_s, u"Description=Ajoutez une description à ce fichier Vambrel"_s}));
        // Events: ProgressMain, ProgressFolder only when sub-folders exist, one ProgressState per folder.
        QCOMPARE(r.lines.first(), u"ProgressMain "_s + m_tree + u"/a"_s);
        QCOMPARE(r.lines[1], u"ProgressFolder 1"_s);
        QCOMPARE(r.lines[2], u"ProgressState 0"_s);
        QCOMPARE(r.count(u"ProgressFolder"_s), 1);
        QCOMPARE(r.count(u"ProgressState"_s), 3);
        QCOMPARE(r.count(u"ProgressFile"_s), 5);
        QVERIFY(r.lines.contains(u"ProgressFile 5"_s));
        const int secondMain = int(r.lines.indexOf(u"ProgressMain "_s + m_tree + u"/b"_s));
        QVERIFY(secondMain > 0);
        QCOMPARE(r.lines[secondMain + 1], u"ProgressState 0"_s);
    }

    void maskLimitsFilesNotFolders() {
        const QString file = target("mask.dat");
        Recorder r;
        RunCatalogueBuild({file, m_tree + u"/a"_s, u"*.TXT"_s}, r);
        QCOMPARE(r.lines.last(), u"Complete true"_s);
        QCOMPARE(test::queryRows(file, u"SELECT count(*) FROM Folders"_s), QStringList{u"2"_s});
        QStringList names = test::queryRows(file, u"SELECT Nom FROM Files"_s);
        names.sort();
        QCOMPARE(names, (QStringList{u"x.txt"_s, u"z.txt"_s}));
        QCOMPARE(test::queryRows(file, u"SELECT Value FROM Properties WHERE Name = 'Masque'"_s),
                 QStringList{u"*.TXT"_s});
    }

    void missingStartFolderIsRecordedAlone() {
        const QString file = target("missing.dat");
        Recorder r;
        RunCatalogueBuild({file, m_tree + u"/absent"_s, u"*.*"_s}, r);
        QCOMPARE(r.lines, (QStringList{u"ProgressMain "_s + m_tree + u"/absent"_s, u"ProgressState 0"_s,
                                       u"Complete true"_s}));
        QCOMPARE(test::queryRows(file, u"SELECT Num, Nom FROM Folders"_s),
                 QStringList{u"0|"_s + m_tree + u"/absent"_s});
        QCOMPARE(test::queryRows(file, u"SELECT count(*) FROM Files"_s), QStringList{u"0"_s});
    }

    void cancelAt_data() {
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("n");
        QTest::newRow("first ProgressMain") << u"ProgressMain"_s << 1;
        QTest::newRow("second ProgressMain") << u"ProgressMain"_s << 2;
        QTest::newRow("ProgressFolder") << u"ProgressFolder"_s << 1;
        QTest::newRow("third ProgressFile") << u"ProgressFile"_s << 3;
    }
    void cancelAt() {
        QFETCH(QString, event);
        QFETCH(int, n);
        const QString file = m_dir.filePath(u"cancel-"_s + event + QString::number(n) + u".dat"_s);
        Recorder r;
        r.cancelOn = event;
        r.cancelAt = n;
        RunCatalogueBuild({file, m_tree + u"/a:"_s + m_tree + u"/b"_s, u"*.*"_s}, r);
        QCOMPARE(r.lines.last(), u"Cancelled"_s);
        QCOMPARE(r.count(u"Complete"_s), 0);
        QCOMPARE(r.count(u"Cancelled"_s), 1);
        QVERIFY(!QFile::exists(file));
        QVERIFY(!QFile::exists(file + u"-journal"_s));
        if (event == u"ProgressFile"_s)
            QCOMPARE(r.count(u"ProgressFile"_s), 3); // the search of the folder stops at once
    }

    // A cancel that arrives between events stops the build where it is: in the folder walk (which
    // raises no event before its end), before the first folder's files, or between two files.
    void cancelBetweenEvents_data() {
        QTest::addColumn<QString>("after");
        QTest::newRow("during the walk") << u"ProgressMain"_s;
        QTest::newRow("before the files") << u"ProgressFolder"_s;
        QTest::newRow("between files") << u"ProgressFile"_s;
    }
    void cancelBetweenEvents() {
        QFETCH(QString, after);
        // Wide enough that the walk is still going when the flag is set, and folders of files.
        const QString root = m_dir.filePath(u"wide-"_s + after);
        for (int i = 0; i < 200; ++i) {
            const QString folder = root + u"/d"_s + QString::number(i) + u"/e"_s;
            QVERIFY(QDir().mkpath(folder));
            if (i < 3)
                for (int f = 0; f < 50; ++f)
                    makeFile(folder + u"/f"_s + QString::number(f));
        }
        const QString file = target(qPrintable(u"stop-"_s + after + u".dat"_s));
        Recorder r;
        r.stopAfter = after;
        RunCatalogueBuild({file, root, u"*.*"_s}, r);
        const qsizetype at = r.lines.indexOf(QRegularExpression(after + u" .*"_s));
        QVERIFY(at >= 0);
        QCOMPARE(r.lines.mid(at + 1), QStringList{u"Cancelled"_s});
        QVERIFY(!QFile::exists(file));
        QVERIFY(!QFile::exists(file + u"-journal"_s));
    }

    void failures_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<bool>("fileExistsAfter");
        QTest::newRow("empty item") << u"empty-item.dat"_s << u"%1/a::%1/b"_s << false;
        QTest::newRow("empty spec") << u"empty-spec.dat"_s << u""_s << false;
        QTest::newRow("target folder missing") << u"nowhere/x.dat"_s << u"%1/a"_s << false;
        QTest::newRow("target is under a file") << u"tree/a/x.txt/c.dat"_s << u"%1/a"_s << false;
    }
    void failures() {
        QFETCH(QString, file);
        QFETCH(QString, spec);
        QFETCH(bool, fileExistsAfter);
        Recorder r;
        QString cause;
        const QString path = m_dir.filePath(file);
        RunCatalogueBuild({path, spec.contains(u"%1"_s) ? spec.arg(m_tree) : spec, u"*.*"_s}, r, &cause);
        QCOMPARE(r.lines, QStringList{u"Complete false"_s});
        QVERIFY(!cause.isEmpty());
        QCOMPARE(QFile::exists(path), fileExistsAfter);
    }

    void existingFileIsNotTouched() {
        const QString file = target("existing.dat");
        makeFile(file, "garder ce contenu");
        Recorder r;
        QString cause;
        RunCatalogueBuild({file, m_tree + u"/a"_s, u"*.*"_s}, r, &cause);
        QCOMPARE(r.lines, QStringList{u"Complete false"_s});
        QVERIFY(cause.contains(u"existe déjà"_s));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("garder ce contenu"));
    }

    void unusualNamesAreKept() {
        const QString root = m_dir.filePath(u"names"_s);
        QVERIFY(QDir().mkpath(root));
        const QStringList names{u"ligne\nnouvelle"_s, u"guillemets \"x\" 'y'"_s, u"été à Noël.txt"_s};
        for (const QString& n : names)
            makeFile(root + u"/"_s + n);
        // A name that is not valid UTF-8.
        const QByteArray raw = QFile::encodeName(root) + "/caf\xe9.txt";
        QFile f(QString::fromUtf8(raw));
        QVERIFY(::close(::open(raw.constData(), O_CREAT | O_WRONLY, 0644)) == 0);
        const QString file = target("names.dat");
        Recorder r;
        RunCatalogueBuild({file, root, u"*.*"_s}, r);
        QCOMPARE(r.lines.last(), u"Complete true"_s);
        QStringList stored = test::queryRows(file, u"SELECT Nom FROM Files"_s);
        QCOMPARE(stored.size(), 4);
        for (const QString& n : names)
            QVERIFY2(stored.contains(n), qPrintable(n));
        // The odd name reaches the same file again.
        bool found = false;
        for (const QString& s : stored) {
            if (!names.contains(s)) {
                found = true;
                QCOMPARE(QFile::encodeName(root) + "/" + NameToNative(s), raw);
            }
        }
        QVERIFY(found);
        ::unlink(raw.constData()); // QTemporaryDir cannot remove a name it cannot decode
    }
};

QTEST_GUILESS_MAIN(TestCatalogueBuilder)
#include "tst_catalogbuilder.moc"
