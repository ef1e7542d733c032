// qvtjob check and qvtjob newfiles, run as a user runs them: the built qvtjob and qvtSrv.

#include "Database.h"
#include "NativeName.h"
#include "Snapshot.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;
using test::readAll;
using test::writeBytes;
using namespace Qt::StringLiterals;

namespace {

const QString kQvtjob = QStringLiteral(VAMBREL_BINARY_DIR "/qvtjob");
constexpr qint64 kTime = 1'600'000'000;

struct Run {
    int exit = -1;
    QByteArray out, err;
};

Run qvtjob(const QStringList& args) {
    QProcess p;
    p.start(kQvtjob, args);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exit = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QStringList newFiles(const QString& list) {
    Database db;
    if (!db.open(list, OpenMode::ReadOnly, DbKind::NewFilesList))
        return {u"<"_s + db.lastError() + u">"_s};
    auto rows = Snapshot::open(
        db, u"SELECT Folders.Nom, Files.Nom FROM Files INNER JOIN Folders ON Files.Num = Folders.Num"_s);
    QStringList out;
    for (bool ok = rows && rows->moveFirst(); ok; ok = rows->moveNext())
        out << rows->text(0) + u'/' + rows->text(1);
    out.sort();
    return out;
}

} // namespace

class TestQvtjobCompare : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree, m_catalogue;
    QByteArray m_nativeTree;
    int m_serial = 0;

    QString fresh() { return m_dir.filePath(u"out%1.dat"_s.arg(++m_serial)); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_tree = m_dir.filePath(u"tree"_s);
        m_nativeTree = PathToNative(m_tree);
        QVERIFY(QDir().mkpath(m_tree + u"/sub"_s));
        for (const char* name : {"/a.txt", "/b.txt", "/raw\xff.txt", "/sub/c.txt"})
            QVERIFY(writeBytes(m_nativeTree + name, "abc", kTime));
        m_catalogue = m_dir.filePath(u"tree.dat"_s);
        const Run built = qvtjob({u"build"_s, m_catalogue, u"--spec"_s, m_tree, u"--quiet"_s});
        QCOMPARE(built.exit, 0);
        QCOMPARE(built.out, QByteArray("Complete true\n"));
        // Since then: a.txt rewritten (same time, another size), b.txt deleted, two new files.
        QVERIFY(writeBytes(m_nativeTree + "/a.txt", "abcd", kTime));
        QCOMPARE(::unlink(m_nativeTree + "/b.txt"), 0);
        QVERIFY(writeBytes(m_nativeTree + "/new.txt", "n", kTime));
        QVERIFY(writeBytes(m_nativeTree + "/sub/new2.txt", "n", kTime));
    }
    void cleanupTestCase() { ::unlink(m_nativeTree + "/raw\xff.txt"); }

    // Rows in query order: a.txt, b.txt, raw\xff.txt, sub/c.txt.
    void checkPrintsEventsThenPositions_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("events") << QStringList{}
                                << QByteArray(
                                       "ProgressFile 1\nProgressState 0\nProgressFile 2\nProgressState 1\n"
                                       "ProgressFile 0\nProgressState 2\nProgressFile 0\nProgressState 3\n"
                                       "Complete true\ncolIdem 2 3\ncolDistinct 0\ncolNonExist 1\n");
        QTest::newRow("quiet") << QStringList{u"--quiet"_s}
                               << QByteArray("Complete true\ncolIdem 2 3\ncolDistinct 0\ncolNonExist 1\n");
        QTest::newRow("paths") << QStringList{u"--quiet"_s, u"--paths"_s}
                               << QByteArray("Complete true\n1\t@/a.txt\n2\t@/b.txt\n0\t@/raw\xff.txt\n"
                                             "0\t@/sub/c.txt\n");
        QTest::newRow("cancel at the first file") << QStringList{u"--cancel-on"_s, u"ProgressFile:1"_s}
                                                  << QByteArray("ProgressFile 1\nCancelled\n");
    }
    void checkPrintsEventsThenPositions() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, expected);
        const Run r = qvtjob(QStringList{u"check"_s, m_catalogue} + options);
        QCOMPARE(r.out, expected.replace('@', m_nativeTree));
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exit, options.contains(u"--cancel-on"_s) ? 2 : 0);
    }

    void checkFailure() {
        const QString text = fresh();
        QVERIFY(writeBytes(PathToNative(text), "pas un catalogue", kTime));
        for (const bool paths : {false, true}) {
            const Run r = qvtjob({u"check"_s, text, u"--quiet"_s, paths ? u"--paths"_s : u"--quiet"_s});
            QCOMPARE(r.exit, 1);
            QCOMPARE(r.out, paths ? QByteArray("Complete false\n")
                                  : QByteArray("Complete false\ncolIdem\ncolDistinct\ncolNonExist\n"));
            QVERIFY(r.err.startsWith("qvtjob : ") && r.err.size() > 12);
        }
    }

    // A catalogue made elsewhere: none of its paths exist here, so every file is gone, no error.
    void catalogueFromElsewhere() {
        const QString other = m_dir.filePath(u"elsewhere"_s);
        QVERIFY(QDir().mkpath(other + u"/x"_s));
        QVERIFY(writeBytes(PathToNative(other) + "/one", "1", kTime));
        QVERIFY(writeBytes(PathToNative(other) + "/x/two", "2", kTime));
        const QString cat = fresh();
        QCOMPARE(qvtjob({u"build"_s, cat, u"--spec"_s, other, u"--quiet"_s}).exit, 0);
        QVERIFY(QDir(other).removeRecursively());
        const Run r = qvtjob({u"check"_s, cat, u"--quiet"_s, u"--paths"_s});
        QCOMPARE(r.exit, 0);
        const QByteArray o = PathToNative(other);
        QCOMPARE(r.out, "Complete true\n2\t" + o + "/one\n2\t" + o + "/x/two\n");
    }

    void newfiles_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("all") << QStringList{}
                             << QByteArray(
                                    "ProgressMain 1\nProgressFolder 0\nProgressFile 1\nProgressFolder 1\n"
                                    "ProgressFile 2\nComplete true\n")
                             << QStringList{u"@/new.txt"_s, u"@/sub/new2.txt"_s};
        QTest::newRow("mask") << QStringList{u"--mask"_s, u"NEW2.*"_s}
                              << QByteArray("ProgressMain 1\nProgressFolder 0\nProgressFolder 1\n"
                                            "ProgressFile 1\nComplete true\n")
                              << QStringList{u"@/sub/new2.txt"_s};
        QTest::newRow("quiet") << QStringList{u"--quiet"_s} << QByteArray("Complete true\n")
                               << QStringList{u"@/new.txt"_s, u"@/sub/new2.txt"_s};
    }
    void newfiles() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, expected);
        QFETCH(QStringList, listed);
        const QString out = fresh();
        const Run r = qvtjob(QStringList{u"newfiles"_s, m_catalogue, out, u"--spec"_s, m_tree} + options);
        QCOMPARE(r.out, expected);
        QCOMPARE(r.exit, 0);
        QCOMPARE(newFiles(out), listed.replaceInStrings(u"@"_s, m_tree));
    }

    void newfilesCancelledOrFailed_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("outExists");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QByteArray>("lastLine");
        QTest::newRow("cancel at a folder") << u"ProgressFolder:2"_s << false << 2 << QByteArray("Cancelled");
        QTest::newRow("cancel at the walk") << u"ProgressMain:1"_s << false << 2 << QByteArray("Cancelled");
        QTest::newRow("list exists") << QString() << true << 1 << QByteArray("Complete false");
    }
    void newfilesCancelledOrFailed() {
        QFETCH(QString, option);
        QFETCH(bool, outExists);
        QFETCH(int, exit);
        QFETCH(QByteArray, lastLine);
        const QString out = fresh();
        if (outExists)
            QVERIFY(writeBytes(PathToNative(out), "à garder", kTime));
        QStringList args{u"newfiles"_s, m_catalogue, out, u"--spec"_s, m_tree};
        if (!option.isEmpty())
            args << u"--cancel-on"_s << option;
        const Run r = qvtjob(args);
        QCOMPARE(r.exit, exit);
        QCOMPARE(r.out.trimmed().split('\n').last(), lastLine);
        QVERIFY(!r.out.contains("Complete true"));
        if (outExists) {
            QCOMPARE(readAll(out), QByteArray("à garder"));
            QVERIFY(r.err.startsWith("qvtjob : ") && r.err.size() > 12);
        } else {
            QVERIFY(!QFile::exists(out));
            QCOMPARE(r.err, QByteArray());
        }
    }

    void usage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("check without catalogue") << QStringList{u"check"_s};
        QTest::newRow("check, two catalogues") << QStringList{u"check"_s, u"a"_s, u"b"_s};
        QTest::newRow("check cancels only at files")
            << QStringList{u"check"_s, u"a"_s, u"--cancel-on"_s, u"ProgressMain:1"_s};
        QTest::newRow("check has no spec") << QStringList{u"check"_s, u"a"_s, u"--spec"_s, u"/"_s};
        QTest::newRow("check, N from 1")
            << QStringList{u"check"_s, u"a"_s, u"--cancel-on"_s, u"ProgressFile:0"_s};
        QTest::newRow("newfiles without list") << QStringList{u"newfiles"_s, u"a"_s, u"--spec"_s, u"/"_s};
        QTest::newRow("newfiles without spec") << QStringList{u"newfiles"_s, u"a"_s, u"b"_s};
        QTest::newRow("newfiles has no paths")
            << QStringList{u"newfiles"_s, u"a"_s, u"b"_s, u"--spec"_s, u"/"_s, u"--paths"_s};
        QTest::newRow("newfiles, state has no Cancel") << QStringList{
            u"newfiles"_s, u"a"_s, u"b"_s, u"--spec"_s, u"/"_s, u"--cancel-on"_s, u"ProgressState:1"_s};
        QTest::newRow("build has no paths")
            << QStringList{u"build"_s, u"a"_s, u"--spec"_s, u"/"_s, u"--paths"_s};
    }
    void usage() {
        QFETCH(QStringList, args);
        const Run r = qvtjob(args);
        QCOMPARE(r.exit, 64);
        QCOMPARE(r.out, QByteArray());
        QVERIFY(r.err.startsWith("qvtjob : "));
        QVERIFY(!QFile::exists(u"a"_s) && !QFile::exists(u"b"_s));
    }

    void helpNamesTheCommands() {
        const Run r = qvtjob({u"--help"_s});
        QCOMPARE(r.exit, 0);
        for (const char* text : {"qvtjob check CATALOGUE", "qvtjob newfiles CATALOGUE LISTE", "--paths"})
            QVERIFY2(r.out.contains(text), text);
    }
};

QTEST_GUILESS_MAIN(TestQvtjobCompare)
#include "tst_qvtjob_compare.moc"
