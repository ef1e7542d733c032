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

    // Every kind of entry a tree holds, and the rows it gives, field by field with their storage
    // types: what any change to the build's hot path must leave exactly as it is.
    void rowsOfEveryKindOfEntry_data() {
        QTest::addColumn<size_t>("keptNames");
        QTest::newRow("names kept by the walk") << BuildParams().keptNames;
        QTest::newRow("every folder read again") << size_t(0);
    }
    void rowsOfEveryKindOfEntry() {
        QFETCH(size_t, keptNames);
        const QString root = m_dir.filePath(u"kinds"_s + QString::number(keptNames));
        const QByteArray r = QFile::encodeName(root);
        QDir d;
        QVERIFY(d.mkpath(root + u"/sub/deeper"_s));
        QVERIFY(d.mkpath(root + u"/vide"_s));
        QVERIFY(d.mkpath(root + u"/.cachee/dedans"_s));
        makeFile(root + u"/plain.txt"_s, "12345");
        makeFile(root + u"/empty"_s, "", 0);
        makeFile(root + u"/avant 1970.txt"_s, "x", -1);
        makeFile(root + u"/an 2100.TXT"_s, "x", 4'102'444'800);
        makeFile(root + u"/filler.dat"_s, QByteArray(3000, 'y'));
        makeFile(root + u"/mz.bin"_s, "MZ" + QByteArray(300, '\x01'));
        makeFile(root + u"/.cache"_s);
        makeFile(root + u"/.cachee/dedans/k.txt"_s);
        makeFile(root + u"/sub/été.txt"_s, "ab");
        makeFile(root + u"/sub/deeper/z"_s);
        for (const auto& [fixture, name] : {std::pair{"pe32_full.exe", "prog.exe"},
                                            {"pe32_fixedonly.exe", "fixed.exe"},
                                            {"ne_full.exe", "ne.exe"},
                                            {"pe32_othertrans.dll", "other.dll"},
                                            {"pe32_noversion.exe", "none.exe"},
                                            {"bad_cutresource.exe", "cut.exe"}}) {
            const QString to = root + u"/"_s + QString::fromUtf8(name);
            QVERIFY(
                QFile::copy(QStringLiteral(VAMBREL_TEST_DATA "/version/") + QString::fromUtf8(fixture), to));
            QVERIFY(test::writeBytes(QFile::encodeName(to), test::readAll(to), 1'500'000'000));
        }
        // Sparse: a size past 32 bits without the disk space.
        const int big = ::open((r + "/big.bin").constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(big >= 0 && ::ftruncate(big, 5'368'709'120) == 0 && ::close(big) == 0);
        QVERIFY(::symlink("prog.exe", (r + "/lien").constData()) == 0);
        QVERIFY(::symlink("sub", (r + "/lien-dossier").constData()) == 0);
        QVERIFY(::symlink("nulle part", (r + "/casse").constData()) == 0);
        QVERIFY(::mkfifo((r + "/fifo").constData(), 0644) == 0);
        QVERIFY(::close(::open((r + "/caf\xe9.txt").constData(), O_CREAT | O_WRONLY, 0644)) == 0);
        const struct timespec fixed[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
        for (const char* n : {"lien", "lien-dossier", "casse", "fifo", "caf\xe9.txt", "big.bin"})
            QVERIFY(::utimensat(AT_FDCWD, (r + "/" + n).constData(), fixed, AT_SYMLINK_NOFOLLOW) == 0);

        const QString file = target(keptNames == 0 ? "kinds-reread.dat" : "kinds.dat");
        Recorder rec;
        QString cause;
        RunCatalogueBuild({file, root, u"*.*"_s, keptNames}, rec, &cause);
        ::unlink((r + "/caf\xe9.txt").constData()); // QTemporaryDir cannot remove a name it cannot decode
        QVERIFY2(rec.lines.last() == u"Complete true"_s, qPrintable(cause));

        // Numbers: folders from 0 (the start folder first), files from 0, without gaps; each
        // version row belongs to one file.
        QCOMPARE(test::queryRows(file, u"SELECT Nom FROM Folders WHERE Num = 0"_s), QStringList{root});
        QCOMPARE(test::queryRows(file, u"SELECT count(*), min(Num), max(Num) FROM Folders"_s),
                 QStringList{u"4|0|3"_s});
        QCOMPARE(test::queryRows(file, u"SELECT count(DISTINCT NumId), min(NumId), max(NumId) FROM Files"_s),
                 QStringList{u"20|0|19"_s});
        QCOMPARE(test::queryRows(file, u"SELECT count(*) FROM Version WHERE NumId NOT IN "
                                       "(SELECT NumId FROM Files) OR NumId IS NULL"_s),
                 QStringList{u"0"_s});
        // Readdir order decides the numbers: rows are compared by folder path and name.
        const QString sel = u"SELECT substr(Folders.Nom, %1) AS F, hex(Files.Nom), quote(Taille), "
                            "quote(\"Modifié\"), quote(Files.Type) %2 FROM Files INNER JOIN Folders "
                            "ON Files.Num = Folders.Num %3 ORDER BY F, Files.Nom"_s;
        const QString from = QString::number(root.size() + 2);
        const QString kVersionFields =
            u", quote(Organisation), quote(Description), quote(Version.Version), quote(\"Nom interne\"), "
            "quote(Copyright), quote(\"Nom d'origine\"), quote(\"Nom du produit\"), "
            "quote(\"Version du produit\"), quote(\"Version du fichier\"), quote(\"Produit Version\"), "
            "quote(OS), quote(Version.Type), quote(\"Sous-type\"), quote(Attribut)"_s;
        QStringList folders =
            test::queryRows(file, u"SELECT quote(substr(Nom, %1)), typeof(Num) FROM Folders"_s.arg(from));
        folders.sort();
        QCOMPARE(folders, (QStringList{u"''|integer"_s, u"'sub'|integer"_s, u"'sub/deeper'|integer"_s,
                                       u"'vide'|integer"_s}));
        const QStringList files = test::queryRows(file, sel.arg(from, QString(), QString()));
        // Names in hexadecimal: the name that is not UTF-8 keeps its escaped byte. A link is a file
        // of its own size; a FIFO is recorded, never opened; a file too short or not an image, or an
        // image without a version resource, has no version row.
        QCOMPARE(files, (QStringList{
                            u"|616E20323130302E545854|1|'2100-01-01 00:00:00'|'Document texte brut'"_s,
                            u"|6176616E7420313937302E747874|1|'1969-12-31 23:59:59'|'Document texte brut'"_s,
                            u"|6269672E62696E|5368709120|'2020-09-13 12:26:40'|'Fichier BIN'"_s,
                            u"|636166EF9FA92E747874|0|'2020-09-13 12:26:40'|'Document texte brut'"_s,
                            u"|6361737365|10|'2020-09-13 12:26:40'|'Fichier'"_s,
                            u"|6375742E657865|2694|'2017-07-14 02:40:00'|'Exécutable DOS/Windows'"_s,
                            u"|656D707479|0|'1970-01-01 00:00:00'|'Fichier'"_s,
                            u"|6669666F|0|'2020-09-13 12:26:40'|'Fichier'"_s,
                            u"|66696C6C65722E646174|3000|'2020-09-13 12:26:40'|'Fichier DAT'"_s,
                            u"|66697865642E657865|3072|'2017-07-14 02:40:00'|'Exécutable DOS/Windows'"_s,
                            u"|6C69656E|8|'2020-09-13 12:26:40'|'Fichier'"_s,
                            u"|6C69656E2D646F7373696572|3|'2020-09-13 12:26:40'|'Fichier'"_s,
                            u"|6D7A2E62696E|302|'2020-09-13 12:26:40'|'Fichier BIN'"_s,
                            u"|6E652E657865|720|'2017-07-14 02:40:00'|'Exécutable DOS/Windows'"_s,
                            u"|6E6F6E652E657865|3072|'2017-07-14 02:40:00'|'Exécutable DOS/Windows'"_s,
                            u"|6F746865722E646C6C|3584|'2017-07-14 02:40:00'|'Fichier DLL'"_s,
                            u"|706C61696E2E747874|5|'2020-09-13 12:26:40'|'Document texte brut'"_s,
                            u"|70726F672E657865|4096|'2017-07-14 02:40:00'|'Exécutable DOS/Windows'"_s,
                            u"sub|C3A974C3A92E747874|2|'2020-09-13 12:26:40'|'Document texte brut'"_s,
                            u"sub/deeper|7A|1|'2020-09-13 12:26:40'|'Fichier'"_s,
                        }));
        const QStringList versions = test::queryRows(
            file, sel.arg(from, kVersionFields, u"INNER JOIN Version ON Version.NumId = Files.NumId"_s));
        QCOMPARE(
            versions,
            (QStringList{
                u"|66697865642E657865|3072|'2017-07-14 02:40:00'|'Exécutable DOS/Windows'|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|'2.1.0.7'|'2.1.0.0'|'OS/2 16 bits Presentation Manager 32 bits'|'Police de caractères'|'Police vectorielle'|'Variante spéciale'"_s,
                u"|6E652E657865|720|'2017-07-14 02:40:00'|'Exécutable DOS/Windows'|'Quorvat'|'Bibliothèque 16 bits'|'3.10.103'|'ANCIEN'|'© 1992 Quorvat – 100 € – “tous droits”'|'ANCIEN.EXE'|'Système Œuvre'|'3.10'|'3.10.0.103'|'3.10.-25536.0'|'DOS-Windows 16 bits'|'Bibliothèque de liens dynamiques'|''|'Fonctions de débogage implémentées - Variante spéciale'"_s,
                u"|6F746865722E646C6C|3584|'2017-07-14 02:40:00'|'Fichier DLL'|''|''|''|''|''|''|''|''|'1.0.0.0'|'1.0.0.0'|'OS/2-Presentation Manager 16 bits'|'Gestionnaire de périphérique'|''|'Informations de version créées dynamiquement'"_s,
                u"|70726F672E657865|4096|'2017-07-14 02:40:00'|'Exécutable DOS/Windows'|'Société Quorvat'|'Catalogueur de disques'|'5.0.2195.1'|'vambrel'|'© 2026 Quorvat'|'vambrel.exe'|'Vambrel'|'5.0.2195.1'|'5.0.2195.1'|'5.0.2195.1'|'Windows 32 bits'|'Application'|''|'Fonctions de débogage implémentées - Version de développement'"_s,
            }));
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
