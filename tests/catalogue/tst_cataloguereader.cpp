#include "CatalogueReader.h"
#include "CatalogueSchema.h"
#include "CatalogueWriter.h"
#include "ComparisonQuery.h"
#include "SortKey.h"
#include "TestCatalogue.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace vambrel::test;
using namespace Qt::StringLiterals;

class TestCatalogueReader : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_path;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("r.dat"));
        QVERIFY(
            makeCatalogue(m_path, QStringLiteral("/home/"), QStringLiteral("/home/a:/home/b"),
                          {{0, QStringLiteral("/home/b")}, {1, QStringLiteral("/home/a")}},
                          {file(0, 0, QStringLiteral("z.txt"), 10), file(1, 0, QStringLiteral("A.txt"), 5),
                           file(2, 1, QStringLiteral("m.exe"), 3'000'000'000LL)}));
        Database db;
        QVERIFY(db.open(m_path, OpenMode::ReadWrite));
        CatalogueWriter writer(db);
        VersionStrings strings;
        strings.companyName = QStringLiteral("Quorvat");
        QVERIFY(writer.addVersion(2, &strings, nullptr));
        QVERIFY(writer.commit());
    }

    void foldersByPath() {
        Database db;
        QVERIFY(db.open(m_path, OpenMode::ReadOnly));
        auto folders = FolderRows::open(db);
        QVERIFY(folders.ok());
        QVERIFY(folders->rows().moveFirst());
        QCOMPARE(folders->nom(), QStringLiteral("/home/a"));
        QCOMPARE(folders->num(), qint64(1));
    }

    // A folder's files by name without regard to case; sizes of 2 GiB and more are whole.
    void filesOfAFolder() {
        Database db;
        QVERIFY(db.open(m_path, OpenMode::ReadOnly));
        auto files = FileRows::ofFolder(db, 0);
        QVERIFY(files.ok());
        QCOMPARE(files->rows().recordCount(), qint64(2));
        QVERIFY(files->rows().moveFirst());
        QCOMPARE(files->nom(), QStringLiteral("A.txt"));
        QCOMPARE(files->numId(), qint64(1));
        auto big = FileRows::ofFolder(db, 1);
        QVERIFY(big.ok() && big->rows().moveFirst());
        QCOMPARE(big->taille().toLongLong(), 3'000'000'000LL);
        QVERIFY(big->findNumId(2));
        QVERIFY(!big->findNumId(0));
        QCOMPARE(big->numId(), qint64(2));
        auto none = FileRows::ofFolder(db, 99);
        QVERIFY(none.ok());
        QCOMPARE(none->rows().recordCount(), qint64(0));
    }

    // Rows without the fields of Files are refused, not read as empty values.
    void rowsWithoutTheFields() {
        Database db;
        QVERIFY(db.open(m_path, OpenMode::ReadOnly));
        auto folders = Snapshot::open(db, QStringLiteral("SELECT * FROM Folders"));
        QVERIFY(folders.ok());
        QVERIFY(!FileRows::over(folders.value()).ok());
        auto listing = ListingRows::open(db);
        QVERIFY(listing.ok());
        QVERIFY(FileRows::over(listing->rows()).ok());
    }

    void listingSortedAndSummed_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("first");
        QTest::newRow("name") << int(ListingRows::ColNom) << false << QStringLiteral("A.txt");
        QTest::newRow("name, descending") << int(ListingRows::ColNom) << true << QStringLiteral("z.txt");
        QTest::newRow("folder") << int(ListingRows::ColChemin) << false << QStringLiteral("m.exe");
        QTest::newRow("size") << int(ListingRows::ColTaille) << false << QStringLiteral("A.txt");
        QTest::newRow("size, descending") << int(ListingRows::ColTaille) << true << QStringLiteral("m.exe");
    }
    void listingSortedAndSummed() {
        QFETCH(int, column);
        QFETCH(bool, descending);
        QFETCH(QString, first);
        Database db;
        QVERIFY(db.open(m_path, OpenMode::ReadOnly));
        auto listing = ListingRows::open(db);
        QVERIFY(listing.ok());
        QCOMPARE(listing->totalSize(), 3'000'000'015.0);
        auto sorted = listing->sorted(column, descending);
        QVERIFY(sorted.ok());
        QVERIFY(sorted->rows().moveFirst());
        QCOMPARE(sorted->nom(), first);
        QCOMPARE(sorted->totalSize(), listing->totalSize());
        QVERIFY(!listing->sorted(ListingRows::ColumnCount, false).ok());
    }

    // The flat list's orders against SQLite's ORDER BY on the join, ties in file order: files
    // found by folder number, and the forged numbers that make the list read the join instead.
    void listingOrdersMatchTheDatabase_data() {
        QTest::addColumn<QString>("forgery");
        QTest::addColumn<int>("files");
        QTest::newRow("folders by number") << QString() << 90;
        // Read in two parts at once.
        QTest::newRow("folders by number, many files") << QString() << 70'000;
        QTest::newRow("file numbers of no folder")
            << u"UPDATE Files SET Num = 'x' WHERE NumId % 7 = 0"_s << 90;
        QTest::newRow("text folder number") << u"UPDATE Folders SET Num = 'x' WHERE Num = 2; "
                                               "UPDATE Files SET Num = 'x' WHERE Num = 2"_s
                                            << 90;
        QTest::newRow("folder number twice")
            << u"DROP INDEX Folders_Num; INSERT INTO Folders (Num, Nom) VALUES (3, '/m/autre')"_s << 90;
    }
    void listingOrdersMatchTheDatabase() {
        QFETCH(QString, forgery);
        QFETCH(int, files);
        // Equal names in several folders, a folder path written in two Unicode forms (equal in
        // the name ordering), a file of no folder, Null and invalid sizes and dates.
        const QStringList paths{u"/m"_s,        u"/m/Été"_s,     u"/m/ete"_s,
                                u"/m/\u00e9"_s, u"/m/e\u0301"_s, u"/m/zèbre"_s};
        const QStringList names{u"été.txt"_s, u"Été.txt"_s, u"ete.txt"_s, u"B.doc"_s, u"b.doc"_s, u"a"_s};
        QList<Folder> folders;
        for (int f = 0; f < paths.size(); ++f)
            folders.append({f, paths[f]});
        QList<FileRow> rows;
        for (int i = 0; i < files; ++i) {
            const int folder = i % 15 == 14 ? 99 : (i * 5) % paths.size();
            const QDateTime date = QDateTime(QDate(2020, 5, 17), QTime(10, 30)).addSecs((i % 4) * 60);
            rows.append(file(i, folder, names[(i * 7) % names.size()], (i % 3) * 100,
                             i % 4 == 0 ? u"Fichier"_s : u"Document"_s, date));
        }
        const QString path =
            m_dir.filePath(QStringLiteral("listing-%1.dat").arg(QString::fromUtf8(QTest::currentDataTag())));
        QVERIFY(makeCatalogue(path, u"/"_s, u"/m"_s, folders, rows));
        {
            Database db;
            QVERIFY(db.open(path, OpenMode::ReadWrite));
            QVERIFY(db.exec(u"UPDATE Files SET Taille = NULL WHERE NumId % 11 = 0; "
                            "UPDATE Files SET \"Modifié\" = NULL WHERE NumId % 13 = 0; "
                            "UPDATE Files SET \"Modifié\" = '2020-05-17' WHERE NumId % 17 = 0"_s));
            if (!forgery.isEmpty())
                QVERIFY(db.exec(forgery));
        }
        Database db;
        QVERIFY(db.open(path, OpenMode::ReadOnly));
        auto listing = ListingRows::open(db);
        QVERIFY2(listing.ok(), qPrintable(listing.error()));
        const QString name = OrderByName(u"Files.Nom"_s), folder = OrderByName(u"Folders.Nom"_s);
        const QString terms[] = {name, folder, u"Files.Taille"_s, OrderByName(u"Files.Type"_s),
                                 u"Files.\"Modifié\""_s};
        for (int column = 0; column < ListingRows::ColumnCount; ++column) {
            for (bool descending : {false, true}) {
                const QString orderBy = terms[column] + (descending ? u" DESC, "_s : u", "_s) +
                                        (column == ListingRows::ColNom ? folder : name) + u", Files.rowid"_s;
                auto expected = Snapshot::open(db, u"SELECT Files.NumId, Folders.Nom FROM Files LEFT JOIN "
                                                   "Folders ON Folders.Num = Files.Num ORDER BY "_s +
                                                       orderBy);
                QVERIFY(expected.ok());
                auto sorted = listing->sorted(column, descending);
                QVERIFY(sorted.ok());
                QStringList want, got;
                for (bool more = expected->moveFirst(); more; more = expected->moveNext())
                    want << expected->text(0) + u' ' + expected->text(1);
                for (bool more = sorted->rows().moveFirst(); more; more = sorted->rows().moveNext())
                    got << QString::number(sorted->numId()) + u' ' + sorted->folder();
                QCOMPARE(got, want);
            }
        }

        // The comparison rows (read in two parts when large) in the order of SQLite's ORDER BY.
        auto comparison = OpenComparisonQuery(db);
        QVERIFY2(comparison.ok(), qPrintable(comparison.error()));
        const QString sql = ComparisonQuerySql();
        auto expected =
            Snapshot::open(db, u"SELECT Files.NumId, Folders.Nom "_s + sql.mid(sql.indexOf(u"FROM "_s)) +
                                   u" ORDER BY "_s + folder + u", "_s + name + u", Files.rowid"_s);
        QVERIFY(expected.ok());
        QCOMPARE(comparison->recordCount(), expected->recordCount());
        const int numId = comparison->fieldIndex(u"Files.NumId"),
                  folderNom = comparison->fieldIndex(u"Folders.Nom");
        QStringList want, got;
        for (bool more = expected->moveFirst(); more; more = expected->moveNext())
            want << expected->text(0) + u' ' + expected->text(1);
        for (bool more = comparison->moveFirst(); more; more = comparison->moveNext())
            got << comparison->text(numId) + u' ' + comparison->text(folderNom);
        QCOMPARE(got, want);
    }

    void propertiesAndRows() {
        Database db;
        QVERIFY(db.open(m_path, OpenMode::ReadOnly));
        const CatalogueReader reader(db);
        QCOMPARE(reader.origine().value(), QStringLiteral("/home/"));
        QCOMPARE(reader.startFolders(), (QStringList{QStringLiteral("/home/a"), QStringLiteral("/home/b")}));
        QCOMPARE(reader.propertyText(Schema::kDateCreation), QStringLiteral("04/03/2021 05:06:07"));
        QCOMPARE(reader.propertyText(QStringLiteral("Absente")), QString());
        const auto totals = reader.fileTotals();
        QVERIFY(totals.ok());
        QCOMPARE(totals->files, qint64(3));
        QCOMPARE(totals->size, 3'000'000'015.0);
        const auto version = reader.versionOf(2);
        QVERIFY(version.ok() && version.value());
        QCOMPARE((*version.value())[0], QStringLiteral("Quorvat"));
        QVERIFY((*version.value())[1].isEmpty());
        const auto none = reader.versionOf(0);
        QVERIFY(none.ok());
        QVERIFY(!none.value());
    }

    void missingOrigine() {
        const QString p = m_dir.filePath(QStringLiteral("noorigine.dat"));
        QVERIFY(makeCatalogue(p, QStringLiteral("/"), QStringLiteral("/x"), {{0, QStringLiteral("/x")}}, {},
                              Format::NoOrigine));
        Database db;
        QVERIFY(db.open(p, OpenMode::ReadOnly));
        const auto origine = CatalogueReader(db).origine();
        QVERIFY(!origine.ok());
        QVERIFY(!origine.error().isEmpty());
    }

    // The description is created when missing and replaced when present.
    void description() {
        const QString p = m_dir.filePath(QStringLiteral("desc.dat"));
        QVERIFY(QFile::copy(m_path, p));
        Database db;
        QVERIFY(db.open(p, OpenMode::ReadWrite));
        QString error;
        QVERIFY(SetDescription(db, QStringLiteral("Disque été"), &error));
        QCOMPARE(CatalogueReader(db).propertyText(Schema::kDescription), QStringLiteral("Disque été"));
        Database readOnly;
        QVERIFY(readOnly.open(p, OpenMode::ReadOnly));
        QVERIFY(!SetDescription(readOnly, QStringLiteral("x"), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCatalogueReader)
#include "tst_cataloguereader.moc"
