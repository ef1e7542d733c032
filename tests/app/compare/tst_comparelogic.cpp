// The plain pieces behind the comparison window: the export file, the texts, the new-file orders.

#include "CatalogueSchema.h"
#include "Database.h"
#include "ListExport.h"
#include "LiveFile.h"
#include "NativeName.h"
#include "SmallFileSystem.h"
#include "compare/CompareTexts.h"
#include "compare/NewFileSource.h"
#include "compare/frmCompDetails.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace vambrel;
using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestCompareLogic : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void exportWritesHeaderAndEntriesExactly() {
        const QString path = m_dir.filePath(u"liste.txt"_s);
        const QList<QByteArray> entries = {"/a/été.txt", QByteArray("/a/\xff\xfe-raw.txt"), "/b/c"};
        const QString error =
            ListExport::write(path, {u"un"_s, u"deux é"_s, QString(), u"[Titre]"_s, QString()},
                              entries.size(), [&](qint64 i) { return entries.at(i); });
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(
            readAll(path),
            QByteArray(
                "un\ndeux \xc3\xa9\n\n[Titre]\n\n/a/\xc3\xa9t\xc3\xa9.txt\n/a/\xff\xfe-raw.txt\n/b/c\n"));
        // Nothing else is left in the folder.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"liste.txt"_s});
        QFile::remove(path);
    }

    void exportReplacesAnOlderFile() {
        const QString path = m_dir.filePath(u"old.txt"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("une longue ligne plus longue que la nouvelle\n");
        f.close();
        QVERIFY(ListExport::write(path, {u"h"_s}, 0, [](qint64) { return QByteArray(); }).isEmpty());
        QCOMPARE(readAll(path), QByteArray("h\n"));
        QFile::remove(path);
    }

    void exportFailuresTellTheCauseAndLeaveNothing_data() {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("cause");
        QTest::newRow("no folder") << u"absent/liste.txt"_s << u"le dossier n'existe pas"_s;
        QTest::newRow("a folder") << u"dossier"_s << u"un dossier porte ce nom"_s;
    }
    void exportFailuresTellTheCauseAndLeaveNothing() {
        QFETCH(QString, relative);
        QFETCH(QString, cause);
        QVERIFY(QDir(m_dir.path()).mkpath(u"dossier"_s));
        const QStringList before =
            QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const QString error =
            ListExport::write(m_dir.filePath(relative), {u"h"_s}, 1, [](qint64) { return QByteArray("x"); });
        QVERIFY(error.startsWith(u"Impossible d'écrire le fichier "_s));
        QVERIFY2(error.contains(cause), qPrintable(error));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 before);
    }

    // A disk that fills during the export, then a medium that is read-only: the cause, nothing
    // half-written, and an older export under the chosen name kept whole.
    void exportOnAFullOrReadOnlyDisk() {
        test::SmallFileSystem fs(64 * 1024);
        VAMBREL_REQUIRE_MOUNT(fs);
        const QString path = fs.filePath(u"liste.txt"_s);
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("ancienne liste\n");
        }
        const QByteArray line(200, 'n');
        QString error = ListExport::write(path, {u"h"_s}, 10'000, [&](qint64) { return line; });
        QVERIFY2(error.endsWith(u" : le disque est plein."_s), qPrintable(error));
        QCOMPARE(readAll(path), QByteArray("ancienne liste\n"));
        const auto entries = [&fs] {
            return QDir(fs.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        QCOMPARE(entries(), QStringList{u"liste.txt"_s});
        // What fits is written whole.
        QVERIFY(ListExport::write(path, {u"h"_s}, 10, [&](qint64) { return line; }).isEmpty());
        QCOMPARE(readAll(path).size(), 2 + 10 * 201);

        QVERIFY(fs.setReadOnly(true));
        error = ListExport::write(fs.filePath(u"autre.txt"_s), {u"h"_s}, 1, [&](qint64) { return line; });
        QVERIFY2(error.endsWith(u" : le support est en lecture seule."_s), qPrintable(error));
        QCOMPARE(entries(), QStringList{u"liste.txt"_s});
        QVERIFY(fs.setReadOnly(false));
    }

    void causeTexts() {
        QCOMPARE(ListExport::causeText(ENOSPC), u"le disque est plein"_s);
        QCOMPARE(ListExport::causeText(EACCES), u"l'accès au dossier est refusé"_s);
        QVERIFY(ListExport::causeText(EBADF).startsWith(u"erreur système "_s));
    }

    void texts() {
        QCOMPARE(CompareTexts::Counter(12, 340), u"12/340"_s);
        QCOMPARE(CompareTexts::NewFiles(0), u"0 fichiers nouveaux"_s);
        QCOMPARE(CompareTexts::ComputerLine(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))),
                 u"versus Poste de travail du 05/03/2024 07:08:09."_s);
        QCOMPARE(CompareTexts::CatalogueLine(u"/home/ana/disque.dat"_s, u"01/02/2024 10:00:00"_s,
                                             u"/home/ana"_s, u"*.*"_s),
                 u"disque.dat créé le 01/02/2024 10:00:00, source: /home/ana, masque: *.*"_s);
        QCOMPARE(CompareTexts::FileNamePart(NameFromNative("/x/\xff.dat", 8)), u"\\xFF.dat"_s);
        QCOMPARE(CompareTexts::ExportHeading(2), u"[Fichiers supprimés du Poste de Travail]"_s);
        QCOMPARE(CompareTexts::BlockCaption(2), u"Fichiers supprimés du Poste de travail"_s);
        QCOMPARE(CompareTexts::SourceChoice(u"/a/b.dat"_s), u"A partir de la source du fichier b.dat"_s);
        QVERIFY(CompareTexts::ExportHeading(4).isEmpty());
    }

    void sizeTexts_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << u"0"_s;
        QTest::newRow("thousand") << qint64(1000) << u"1 000"_s;
        QTest::newRow("beyond 32 bits") << qint64(5'000'000'000) << u"5 000 000 000"_s;
    }
    void sizeTexts() {
        QFETCH(qint64, size);
        QFETCH(QString, text);
        QCOMPARE(frmCompDetails::SizeText(size), text);
    }

    // The live file: gone, a folder where the file was, a file (its size now).
    void liveFile() {
        QCOMPARE(LiveFile::look(m_dir.filePath(u"absent.txt"_s)).state, LiveFile::State::Missing);
        QVERIFY(QDir(m_dir.path()).mkpath(u"devenu"_s));
        QCOMPARE(LiveFile::look(m_dir.filePath(u"devenu"_s)).state, LiveFile::State::FolderOnly);
        const QString path = m_dir.filePath(u"vivant.txt"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("12345");
        f.close();
        const LiveFile live = LiveFile::look(path);
        QCOMPARE(live.state, LiveFile::State::File);
        QCOMPARE(live.size, qint64(5));
        QVERIFY(live.modified.isValid());
        QVERIFY(live.productVersion.isEmpty());
        QFile::remove(path);
    }

    // Clicking "Nom" twice sorts by name descending, a third time ascending; "Chemin" then sorts
    // by folder ascending, ties by name.
    void newFileOrders() {
        const QString path = m_dir.filePath(u"new.tmp"_s);
        {
            Database db;
            QVERIFY(db.create(path, DbKind::NewFilesList));
            QVERIFY(db.exec(u"INSERT INTO Folders (Num, Nom) VALUES (1, '/b'), (2, '/a');"
                            "INSERT INTO Files (NumId, Num, Nom) VALUES (1, 1, 'zeta'), (2, 2, 'alpha'),"
                            " (3, 1, 'alpha'), (4, 2, 'été');"_s));
        }
        NewFileSource source;
        QString error;
        QVERIFY2(source.open(path, &error), qPrintable(error));
        auto order = [&] {
            QStringList out;
            for (qint64 i = 0; i < source.rowCount(); ++i)
                out << source.row(i).texts.join(u'|');
            return out.join(u' ');
        };
        QCOMPARE(order(), u"alpha|/a alpha|/b été|/a zeta|/b"_s);
        QVERIFY(source.sortByColumn(0));
        QCOMPARE(source.sortOrder(), 1);
        QCOMPARE(order(), u"zeta|/b été|/a alpha|/a alpha|/b"_s);
        QVERIFY(source.sortByColumn(0));
        QCOMPARE(source.sortOrder(), 0);
        QVERIFY(source.sortByColumn(1));
        QCOMPARE(source.sortKey(), 1);
        QCOMPARE(order(), u"alpha|/a été|/a alpha|/b zeta|/b"_s);
        QVERIFY(source.sortByColumn(1));
        QCOMPARE(order(), u"alpha|/b zeta|/b alpha|/a été|/a"_s);
        QVERIFY(!source.sortByColumn(2));
        QCOMPARE(source.exportLine(0), QByteArray("/b/alpha"));
    }
};

QTEST_GUILESS_MAIN(TestCompareLogic)
#include "tst_comparelogic.moc"
