// Every reader of the catalogue library over catalogues forged to mislead: each one either refuses
// the file with a cause, or reads every row it can without crashing, and the counts it gives agree
// with the rows the file holds.

#include "CatalogueConversion.h"
#include "CatalogueReader.h"
#include "ComparisonQuery.h"
#include "ForgedCatalogue.h"
#include "ListingPagination.h"
#include "ListingReport.h"
#include "NewFileRows.h"
#include "PathSyntax.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace vambrel::test;

namespace {

enum class Reader { Open, Conversion, Folders, Listing, Properties, Version, Report, Comparison, NewFiles };

const std::pair<Reader, const char*> kReaders[] = {
    {Reader::Open, "open"},         {Reader::Conversion, "conversion"}, {Reader::Folders, "folders"},
    {Reader::Listing, "flat list"}, {Reader::Properties, "properties"}, {Reader::Version, "version"},
    {Reader::Report, "report"},     {Reader::Comparison, "comparison"}, {Reader::NewFiles, "new files"},
};

QByteArray digest(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

// Counted by SQLite itself, beside the readers; -1 when the table cannot be read.
qint64 countOf(const Database& db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    qint64 n = -1;
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
}

qint64 foldersNamed(const Database& db, const QString& nom) {
    sqlite3_stmt* st = nullptr;
    qint64 n = -1;
    const QByteArray utf8 = nom.toUtf8();
    if (sqlite3_prepare_v2(db.handle(), "SELECT count(*) FROM Folders WHERE Nom = ?1", -1, &st, nullptr) ==
            SQLITE_OK &&
        sqlite3_bind_text(st, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
}

// A refusal must say why, in the program's language.
void checkCause(const QString& cause) {
    QVERIFY2(!cause.trimmed().isEmpty(), "a refusal without a cause");
}

} // namespace

class TestForgedCatalogue : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_root;
    QList<QString> m_files; // one forged catalogue per forgery, in the order of forgeries()

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        ForgedSet set = makeEveryForgedCatalogue(m_dir.path());
        QVERIFY2(set.failed.isEmpty(), qPrintable(set.failed));
        m_root = set.root;
        m_files = set.files;
    }

    void readers_data() {
        QTest::addColumn<int>("forgery");
        QTest::addColumn<int>("reader");
        const QList<Forgery> all = forgeries();
        for (int i = 0; i < all.size(); ++i)
            for (const auto& [reader, name] : kReaders)
                QTest::addRow("%s / %s", all[i].name, name) << i << int(reader);
    }

    void readers() {
        QFETCH(int, forgery);
        QFETCH(int, reader);
        const bool valid = forgery == 0;
        QString path = m_files[forgery];
        const QByteArray before = digest(path);
        if (Reader(reader) == Reader::Conversion) {
            path = m_dir.filePath(QStringLiteral("convert%1.dat").arg(forgery));
            QFile::remove(path);
            QVERIFY(QFile::copy(m_files[forgery], path));
        }
        Database db;
        const DbKind kind = Reader(reader) == Reader::NewFiles ? DbKind::NewFilesList : DbKind::Catalogue;
        const OpenMode mode = Reader(reader) == Reader::Conversion ? OpenMode::ReadWrite : OpenMode::ReadOnly;
        if (!db.open(path, mode, kind)) {
            QVERIFY(!valid);
            checkCause(db.lastError());
            QCOMPARE(digest(path), before);
            return;
        }
        const qint64 fileRows = countOf(db, "SELECT count(*) FROM Files");
        // A file whose folder number is held by two folders is listed once with each: the rows of
        // the joins, not of Files, are what the lists show.
        const qint64 listedRows =
            countOf(db, "SELECT count(*) FROM Files LEFT JOIN Folders ON Folders.Num = Files.Num");
        const qint64 reportRows =
            countOf(db, "SELECT count(*) FROM Files JOIN Folders ON Folders.Num = Files.Num "
                        "LEFT JOIN Version ON Version.NumId = Files.NumId");

        switch (Reader(reader)) {
        case Reader::Open:
            QVERIFY(fileRows >= 0);
            break;
        case Reader::Conversion: {
            if (!CatalogueConversion::needsConversion(db))
                break;
            QString error;
            const QByteArray unconverted = digest(path);
            if (CatalogueConversion::convert(db, Schema::formatVersion(), &error)) {
                QVERIFY(!CatalogueConversion::needsConversion(db));
                const auto source = db.property(Schema::kSource);
                QVERIFY(source.ok() && source.value());
                // The recorded root is made of recorded folders only, never of the working folder.
                for (const QString& folder : SplitStartFolders(source.value()->value.toString()))
                    QVERIFY2(foldersNamed(db, folder) == 1, qPrintable(folder));
            } else {
                checkCause(error);
                db.close();
                QCOMPARE(digest(path), unconverted);
            }
            break;
        }
        case Reader::Folders: {
            auto folders = FolderRows::open(db);
            if (!folders) {
                checkCause(folders.error());
                break;
            }
            qint64 files = 0;
            for (bool more = folders->rows().moveFirst(); more; more = folders->rows().moveNext()) {
                auto rows = FileRows::ofFolder(db, folders->num());
                QVERIFY2(rows.ok(), qPrintable(rows.error()));
                for (bool f = rows->rows().moveFirst(); f; f = rows->rows().moveNext()) {
                    (void)rows->nom();
                    (void)rows->taille();
                    (void)rows->modifie();
                    ++files;
                }
            }
            // A folder listed twice lists its files twice, never more than the rows of the join.
            if (valid)
                QCOMPARE(files, qint64(4));
            break;
        }
        case Reader::Listing: {
            auto listing = ListingRows::open(db);
            if (!listing) {
                checkCause(listing.error());
                break;
            }
            QCOMPARE(listing->rows().recordCount(), listedRows);
            for (int column = 0; column < ListingRows::ColumnCount; ++column)
                for (const bool descending : {false, true}) {
                    auto sorted = listing->sorted(column, descending);
                    QVERIFY2(sorted.ok(), qPrintable(sorted.error()));
                    QCOMPARE(sorted->rows().recordCount(), listedRows);
                    for (bool more = sorted->rows().moveFirst(); more; more = sorted->rows().moveNext()) {
                        (void)sorted->folder();
                        (void)sorted->nom();
                        (void)sorted->taille();
                    }
                }
            if (valid)
                QCOMPARE(listing->totalSize(), 4.0);
            break;
        }
        case Reader::Properties: {
            const CatalogueReader r(db);
            const auto origin = r.origine();
            if (!origin)
                checkCause(origin.error());
            for (const QString& folder : r.startFolders())
                QVERIFY(!folder.isEmpty());
            for (const QString& name : {Schema::kVersionId, Schema::kSource, Schema::kOrigine,
                                        Schema::kDateCreation, Schema::kMasque, Schema::kDescription})
                (void)r.propertyText(name);
            const auto all = db.properties();
            if (!all)
                checkCause(all.error());
            const auto totals = r.fileTotals();
            if (totals)
                QCOMPARE(totals->files, fileRows);
            else
                checkCause(totals.error());
            if (valid) {
                QCOMPARE(origin.value(), m_dir.path() + QLatin1Char('/'));
                QCOMPARE(r.startFolders(), QStringList{m_root});
            }
            break;
        }
        case Reader::Version: {
            const CatalogueReader r(db);
            for (const qint64 numId :
                 {qint64(-5), qint64(0), qint64(1), qint64(2), qint64(3), qint64(7), qint64(99)}) {
                const auto v = r.versionOf(numId);
                if (!v) {
                    checkCause(v.error());
                    continue;
                }
                if (valid)
                    QCOMPARE(v->has_value(), numId == 1);
            }
            break;
        }
        case Reader::Report: {
            for (const int filter : {int(ListingReport::AllFolders), int(ListingReport::NonEmptyFolders)}) {
                auto report = ListingReport::open(db, filter);
                if (!report) {
                    checkCause(report.error());
                    continue;
                }
                (void)report->title(false);
                (void)report->title(true);
                qint64 files = 0;
                for (qint64 f = 0; f < report->folderCount(); ++f) {
                    const ListingReport::Folder& folder = report->folder(f);
                    QVERIFY(folder.files >= 0);
                    for (qint64 i = 0; i < folder.rowCount; ++i) {
                        ListingReport::File one;
                        QVERIFY(report->file(f, i, &one));
                        ++files;
                    }
                    ListingReport::File past;
                    QVERIFY(!report->file(f, folder.rowCount, &past));
                    QVERIFY(!report->file(f, -1, &past));
                }
                // Files outside any folder are left out; nothing is listed beyond the rows of the join.
                QVERIFY2(files <= qMax(reportRows, qint64(0)), qPrintable(QString::number(files)));
                for (const int perLine : {1, 4}) {
                    const ListingPagination pages(report->fileCounts(), perLine);
                    for (int p = 1; p <= pages.pageCount(); ++p)
                        QVERIFY(!pages.pageLines(p).empty());
                }
                if (valid)
                    QCOMPARE(files, qint64(4));
            }
            break;
        }
        case Reader::Comparison: {
            auto rows = OpenComparisonQuery(db);
            const auto count = ComparisonQueryCount(db);
            if (!rows) {
                checkCause(rows.error());
                break;
            }
            QVERIFY2(count.ok(), qPrintable(count.error()));
            // The check job's positions mean the same rows in the window: both counts agree.
            QCOMPARE(rows->recordCount(), count.value());
            for (bool more = rows->moveFirst(); more; more = rows->moveNext())
                (void)ComparisonPath(rows.value());
            if (valid)
                QCOMPARE(count.value(), qint64(4));
            break;
        }
        case Reader::NewFiles: {
            for (const auto key : {NewFileRows::ByName, NewFileRows::ByFolder})
                for (const bool descending : {false, true}) {
                    auto rows = NewFileRows::open(db, key, descending);
                    if (!rows) {
                        checkCause(rows.error());
                        continue;
                    }
                    QCOMPARE(rows->count(), listedRows);
                    for (qint64 i = 0; i < rows->count(); ++i) {
                        QVERIFY(rows->moveTo(i));
                        (void)rows->folder();
                        (void)rows->nom();
                    }
                    QVERIFY(!rows->moveTo(rows->count()));
                }
            break;
        }
        }
        if (Reader(reader) != Reader::Conversion) {
            db.close();
            QCOMPARE(digest(path), before);
        }
    }
};

QTEST_GUILESS_MAIN(TestForgedCatalogue)
#include "tst_forgedcatalogue.moc"
