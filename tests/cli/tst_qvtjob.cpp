// qvtjob as scripts use it: the built program, started with the built server beside it.

#include "AsOtherUser.h"
#include "Database.h"
#include "JobCommand.h"
#include "NativeName.h"
#include "Snapshot.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;
using test::makeFile;
using namespace Qt::StringLiterals;

namespace {

const QString kQvtjob = QStringLiteral(VAMBREL_BINARY_DIR "/qvtjob");
const QString kQvtSrv = QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv");
using test::kNobody;

struct Run {
    int code = -1;
    QStringList out; // lines, without the final empty one
    QString err;
};

} // namespace

class TestQvtjob : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_tree; // a/{one.txt, sub/two.bin}, b/{prog.exe}, b/.hidden/{h.txt}
    QString m_odd;  // a start folder whose name needs escaping in an event line
    int m_serial = 0;

    QString freshName() { return m_dir.filePath(u"cat%1.dat"_s.arg(++m_serial)); }

    // The build folder may sit where other users cannot go (a checkout under /root): runs as
    // `nobody` start copies of the programs in the open temporary folder instead. Empty with the
    // reason in `why` when even those cannot be reached.
    QString reachableQvtjob(QString& why) {
        const QString bin = m_dir.filePath(u"bin"_s);
        const QString program = bin + u"/qvtjob"_s;
        if (!QFile::exists(program)) {
            if (!QDir().mkpath(bin) || !QFile::copy(kQvtjob, program) ||
                !QFile::copy(kQvtSrv, bin + u"/qvtSrv"_s)) {
                why = u"cannot copy the programs to "_s + bin;
                return {};
            }
            ::chmod(QFile::encodeName(bin).constData(), 0755);
        }
        const auto reached = test::RunAsNobody([&] {
            return QByteArray(::access(QFile::encodeName(program).constData(), X_OK) == 0 ? "1" : "0");
        });
        if (reached != QByteArray("1")) {
            why = u"user nobody cannot run programs in "_s + bin;
            return {};
        }
        return program;
    }

    Run qvtjob(const QStringList& args, bool asNobody = false) {
        QProcess p;
        QString why;
        p.setProgram(asNobody ? reachableQvtjob(why) : kQvtjob);
        p.setArguments(args);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"TZ"_s, u"UTC0"_s);
        p.setProcessEnvironment(env);
        if (asNobody) {
            p.setChildProcessModifier([] {
                if (!test::becomeNobody())
                    ::_exit(99);
            });
        }
        p.start();
        Run r;
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            r.err = u"<timed out>"_s;
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
        if (!r.out.isEmpty() && r.out.last().isEmpty())
            r.out.removeLast();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(kQvtjob));
        // Open to the unprivileged runs below.
        QCOMPARE(::chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0);
        m_tree = m_dir.filePath(u"tree"_s);
        QDir d;
        QVERIFY(d.mkpath(m_tree + u"/a/sub"_s));
        QVERIFY(d.mkpath(m_tree + u"/b/.hidden"_s));
        makeFile(m_tree + u"/a/one.txt"_s, "12345");
        makeFile(m_tree + u"/a/sub/two.bin"_s, QByteArray(70000, 't'), 1'000'000'000);
        makeFile(m_tree + u"/b/.hidden/h.txt"_s);
        QVERIFY(QFile::copy(QStringLiteral(VAMBREL_TEST_DATA "/version/pe32_full.exe"),
                            m_tree + u"/b/prog.exe"_s));
        m_odd = m_dir.filePath(u"say \"hi\"\nthere"_s);
        QVERIFY(d.mkpath(m_odd));
        // A name that is not UTF-8 on disk.
        QVERIFY(test::writeBytes(PathToNative(m_odd) + "/caf\xe9", "x", 1'600'000'000));
    }

    void cleanupTestCase() {
        // Qt cannot name this one to remove it.
        ::unlink((PathToNative(m_odd) + "/caf\xe9").constData());
    }

    void buildPrintsEventsAndRecordsTheTree() {
        const QString file = freshName();
        const QString spec = m_tree + u"/a:"_s + m_tree + u"/b:"_s + m_odd;
        const Run r = qvtjob({u"build"_s, file, u"--spec"_s, spec});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.out.last(), u"Complete true"_s);
        // One event a line, whatever the names hold.
        static const QRegularExpression event(
            u"^(ProgressMain \"([^\"\\\\]|\\\\.)*\"|Progress(Folder|File|State) \\d+|Complete true)$"_s);
        for (const QString& line : r.out)
            QVERIFY2(event.match(line).hasMatch(), qPrintable(line));
        QCOMPARE(
            r.out.filter(u"ProgressMain "_s),
            (QStringList{u"ProgressMain \""_s + m_tree + u"/a\""_s, u"ProgressMain \""_s + m_tree + u"/b\""_s,
                         u"ProgressMain \""_s + m_dir.path() + u"/say \\\"hi\\\"\\nthere\""_s}));
        QCOMPARE(r.out.first(), u"ProgressMain \""_s + m_tree + u"/a\""_s);

        QCOMPARE(test::queryRows(file, u"SELECT Num, Nom FROM Folders ORDER BY Num"_s),
                 (QStringList{u"0|"_s + m_tree + u"/a"_s, u"1|"_s + m_tree + u"/a/sub"_s,
                              u"2|"_s + m_tree + u"/b"_s, u"3|"_s + m_odd}));
        QCOMPARE(
            test::queryRows(
                file, u"SELECT Num, Nom, Taille, \"Modifié\" FROM Files WHERE Num <> 2 ORDER BY NumId"_s),
            (QStringList{u"0|one.txt|5|2020-09-13 12:26:40"_s, u"1|two.bin|70000|2001-09-09 01:46:40"_s,
                         u"3|"_s + NameFromNative("caf\xe9", 4) + u"|1|2020-09-13 12:26:40"_s}));
        QCOMPARE(test::queryRows(file, u"SELECT Files.Nom, Version.\"Version du produit\" FROM Version "
                                       u"INNER JOIN Files ON Files.NumId = Version.NumId"_s),
                 QStringList{u"prog.exe|5.0.2195.1"_s});
        // Origine follows the last start folder.
        QCOMPARE(test::queryRows(file, u"SELECT Name || '=' || Value FROM Properties WHERE Name IN "
                                       u"('Source', 'Origine', 'Masque', 'VersionID') ORDER BY rowid"_s),
                 (QStringList{u"VersionID=2.0.0"_s, u"Source="_s + spec,
                              u"Origine="_s + m_dir.path() + u"/"_s, u"Masque=*.*"_s}));
    }

    // Exit codes, the file left behind, what goes where.
    void outcomes_data() {
        QTest::addColumn<QStringList>("args"); // @F: the target file; @T: the tree
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("lastLine"); // empty: no output expected
        QTest::addColumn<bool>("fileAfter");
        QTest::addColumn<QString>("errContains");

        const QStringList base{u"build"_s, u"@F"_s, u"--spec"_s, u"@T"_s};
        QTest::newRow("cancel at the first ProgressMain")
            << (base + QStringList{u"--cancel-on"_s, u"ProgressMain:1"_s}) << 2 << u"Cancelled"_s << false
            << QString();
        QTest::newRow("cancel at the second ProgressFile")
            << (base + QStringList{u"--cancel-on"_s, u"ProgressFile:2"_s}) << 2 << u"Cancelled"_s << false
            << QString();
        QTest::newRow("cancel on an event that never comes")
            << (base + QStringList{u"--cancel-on"_s, u"ProgressMain:2"_s}) << 0 << u"Complete true"_s << true
            << QString();
        QTest::newRow("quiet") << (base + QStringList{u"--quiet"_s}) << 0 << u"Complete true"_s << true
                               << QString();
        QTest::newRow("mask") << (base + QStringList{u"--mask"_s, u"*.TXT"_s}) << 0 << u"Complete true"_s
                              << true << QString();
        QTest::newRow("missing start folder recorded alone")
            << QStringList{u"build"_s, u"@F"_s, u"--spec"_s, u"@T/nothing"_s} << 0 << u"Complete true"_s
            << true << QString();
        QTest::newRow("empty item in the list")
            << QStringList{u"build"_s, u"@F"_s, u"--spec"_s, u"@T/a::@T/b"_s} << 1 << u"Complete false"_s
            << false << u"qvtjob : "_s;
        QTest::newRow("target folder missing") << QStringList{u"build"_s, u"@F/x.dat"_s, u"--spec"_s, u"@T"_s}
                                               << 1 << u"Complete false"_s << false << u"qvtjob : "_s;
        QTest::newRow("no command") << QStringList{} << 64 << QString() << false << u"commande manquante"_s;
        QTest::newRow("unknown command")
            << QStringList{u"bulid"_s} << 64 << QString() << false << u"« bulid »"_s;
        QTest::newRow("no file") << QStringList{u"build"_s, u"--spec"_s, u"@T"_s} << 64 << QString() << false
                                 << u"catalogue à créer manque"_s;
        QTest::newRow("no spec") << QStringList{u"build"_s, u"@F"_s} << 64 << QString() << false
                                 << u"--spec manque"_s;
        QTest::newRow("option without value")
            << QStringList{u"build"_s, u"@F"_s, u"--spec"_s, u"@T"_s, u"--mask"_s} << 64 << QString() << false
            << u"demande une valeur"_s;
        QTest::newRow("cancel on a terminal event") << (base + QStringList{u"--cancel-on"_s, u"Complete:1"_s})
                                                    << 64 << QString() << false << u"--cancel-on"_s;
        QTest::newRow("cancel at 0") << (base + QStringList{u"--cancel-on"_s, u"ProgressFile:0"_s}) << 64
                                     << QString() << false << u"--cancel-on"_s;
        QTest::newRow("cancel without count") << (base + QStringList{u"--cancel-on"_s, u"ProgressFile"_s})
                                              << 64 << QString() << false << u"--cancel-on"_s;
        QTest::newRow("unknown option")
            << (base + QStringList{u"--fast"_s}) << 64 << QString() << false << u"« --fast »"_s;
        QTest::newRow("extra argument")
            << (base + QStringList{u"more"_s}) << 64 << QString() << false << u"« more »"_s;
    }
    void outcomes() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, lastLine);
        QFETCH(bool, fileAfter);
        QFETCH(QString, errContains);
        const QString file = freshName();
        args.replaceInStrings(u"@F"_s, file);
        args.replaceInStrings(u"@T"_s, m_tree);
        const Run r = qvtjob(args);
        QVERIFY2(r.code == code, qPrintable(r.err));
        if (lastLine.isEmpty()) {
            QVERIFY(r.out.isEmpty());
        } else {
            QCOMPARE(r.out.last(), lastLine);
            QCOMPARE(r.out.count(u"Complete true"_s) + r.out.count(u"Complete false"_s) +
                         r.out.count(u"Cancelled"_s),
                     1);
        }
        if (args.contains(u"--quiet"_s))
            QCOMPARE(r.out.size(), 1);
        QCOMPARE(QFile::exists(file), fileAfter);
        QVERIFY(!QFile::exists(file + u"-journal"_s));
        if (errContains.isEmpty())
            QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        else
            QVERIFY2(r.err.contains(errContains), qPrintable(r.err));
    }

    void existingFileIsLeftAlone() {
        const QString file = freshName();
        makeFile(file, "not mine");
        const Run r = qvtjob({u"build"_s, file, u"--spec"_s, m_tree});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QStringList{u"Complete false"_s});
        QVERIFY(r.err.startsWith(u"qvtjob : "_s) && r.err.size() > 12);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("not mine"));
    }

    // Root reads and writes anywhere: these run as an ordinary user.
    void permissions() {
        if (::geteuid() != 0 && ::geteuid() != kNobody)
            QSKIP("needs root to run as another user, or to be that user");
        QString why;
        if (reachableQvtjob(why).isEmpty())
            QSKIP(qPrintable(why));
        const QString locked = m_dir.filePath(u"locked"_s);
        const QString readOnly = m_dir.filePath(u"readonly"_s);
        QDir d;
        QVERIFY(d.mkpath(locked + u"/inner"_s));
        QVERIFY(d.mkpath(readOnly));
        makeFile(locked + u"/secret.txt"_s);
        makeFile(m_dir.filePath(u"open.txt"_s));
        QCOMPARE(::chmod(QFile::encodeName(locked).constData(), 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(readOnly).constData(), 0555), 0);

        // A folder without read permission: recorded with no files, the build goes on.
        const QString file = m_dir.filePath(u"perm.dat"_s);
        const Run ok = qvtjob({u"build"_s, file, u"--spec"_s, locked + u":"_s + m_tree + u"/a"_s}, true);
        QVERIFY2(ok.code == 0, qPrintable(ok.err));
        QCOMPARE(test::queryRows(file, u"SELECT Nom FROM Folders ORDER BY Num"_s),
                 (QStringList{locked, m_tree + u"/a"_s, m_tree + u"/a/sub"_s}));
        QCOMPARE(test::queryRows(file, u"SELECT count(*) FROM Files WHERE Num = 0"_s), QStringList{u"0"_s});
        QCOMPARE(test::queryRows(file, u"SELECT count(*) FROM Files"_s), QStringList{u"2"_s});

        // A target folder the user cannot write: failure, nothing left there.
        const Run denied = qvtjob({u"build"_s, readOnly + u"/x.dat"_s, u"--spec"_s, m_tree + u"/a"_s}, true);
        QCOMPARE(denied.code, 1);
        QVERIFY(!denied.err.isEmpty());
        QVERIFY(QDir(readOnly).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        ::chmod(QFile::encodeName(locked).constData(), 0755);
    }

    void verinfo_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("lines"); // lines that must appear, in this order
        const QString data = QStringLiteral(VAMBREL_TEST_DATA "/version/");
        QTest::newRow("full record") << QStringList{data + u"pe32_full.exe"_s} << 0
                                     << QStringList{u"Fichier : "_s + data + u"pe32_full.exe"_s,
                                                    u"Informations de version"_s,
                                                    u"  Organisation : Société Quorvat"_s,
                                                    u"  Nom du produit : Vambrel"_s,
                                                    u"  Version du produit : 5.0.2195.1"_s,
                                                    u"Informations sur le fichier"_s,
                                                    u"  Version du fichier : 5.0.2195.1"_s};
        QTest::newRow("damaged image prints empty values")
            << QStringList{data + u"bad_lfanew.exe"_s} << 0
            << QStringList{u"  Organisation : "_s, u"  Version du fichier : "_s};
        QTest::newRow("bad fixed record, strings kept")
            << QStringList{data + u"bad_signature.exe"_s} << 0
            << QStringList{u"  Nom du produit : Vambrel"_s, u"  Version du fichier : "_s};
        QTest::newRow("missing file among good ones")
            << QStringList{data + u"absent.exe"_s, data + u"pe32_full.exe"_s} << 1
            << QStringList{u"  Nom interne : vambrel"_s};
        QTest::newRow("a folder") << QStringList{data} << 1 << QStringList{};
        QTest::newRow("no file") << QStringList{} << 64 << QStringList{};
    }
    void verinfo() {
        QFETCH(QStringList, files);
        QFETCH(int, code);
        QFETCH(QStringList, lines);
        const Run r = qvtjob(QStringList{u"verinfo"_s} + files);
        QCOMPARE(r.code, code);
        qsizetype at = 0;
        for (const QString& l : lines) {
            const qsizetype found = r.out.indexOf(l, at);
            QVERIFY2(found >= 0, qPrintable(l));
            at = found + 1;
        }
        QCOMPARE(r.err.isEmpty(), code == 0);
    }

    void help() {
        const Run r = qvtjob({u"--help"_s});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.first().startsWith(u"Usage : qvtjob build"_s));
        QCOMPARE(r.out.filter(u"Codes de sortie de build"_s).size(), 1);
        QCOMPARE(r.out.filter(u"Codes de sortie de verinfo"_s).size(), 1);
        // Every command and option is explained, and where the server comes from.
        for (const QString& word : {u"  build "_s, u"  check "_s, u"  newfiles "_s, u"  verinfo "_s,
                                    u"--spec"_s, u"--mask"_s, u"--cancel-on"_s, u"--paths"_s, u"--quiet"_s,
                                    u"Événements"_s, u"VAMBREL_QVTSRV"_s, u"man qvtjob"_s})
            QVERIFY2(!r.out.filter(word).isEmpty(), qPrintable(word));
        QVERIFY(r.err.isEmpty());
    }

    void quoted_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << u"/home/été"_s << u"\"/home/été\""_s;
        QTest::newRow("empty") << QString() << u"\"\""_s;
        QTest::newRow("quote and backslash") << u"a\"b\\c"_s << u"\"a\\\"b\\\\c\""_s;
        QTest::newRow("line breaks and tab") << u"a\nb\rc\td"_s << u"\"a\\nb\\rc\\td\""_s;
        QTest::newRow("other controls") << (u"a"_s + QChar(1) + QChar(0x7F)) << u"\"a\\x01\\x7f\""_s;
        QTest::newRow("pair kept") << u"\U0001F600"_s << u"\"\U0001F600\""_s;
        QTest::newRow("lone surrogates")
            << (QString(QChar(0xD800)) + u"x"_s + QChar(0xDC00)) << u"\"\\ud800x\\udc00\""_s;
        QTest::newRow("escaped byte name")
            << NameFromNative("\xff", 1) << (u"\""_s + NameFromNative("\xff", 1) + u"\""_s);
    }
    void quoted() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(JobCommand::quoted(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestQvtjob)
#include "tst_qvtjob.moc"
