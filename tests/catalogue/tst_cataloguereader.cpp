#include "CatalogueReader.h"
#include "CatalogueSchema.h"
#include "CatalogueWriter.h"
#include "TestCatalogue.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace vambrel::test;

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
