// The listing report's rows and pages: the two queries over real catalogues, and the pagination
// driven with file counts alone.

#include "ListingPagination.h"
#include "ListingReport.h"
#include "TestCatalogue.h"

#include <QTemporaryDir>
#include <QTest>
#include <limits>

using namespace vambrel;
using namespace vambrel::test;
using Kind = ListingPagination::LineKind;
using Line = ListingPagination::Line;

Q_DECLARE_METATYPE(std::vector<qint64>)

class TestListingReport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    static ListingReport openReport(const QString& file, int filter) {
        Database db;
        if (!db.open(file, OpenMode::ReadOnly))
            qFatal("%s", qPrintable(db.lastError()));
        auto report = ListingReport::open(db, filter);
        if (!report)
            qFatal("%s", qPrintable(report.error()));
        return std::move(report.value());
    }

private Q_SLOTS:
    void folderLines_data() {
        QTest::addColumn<qint64>("files");
        QTest::addColumn<int>("perLine");
        QTest::addColumn<qint64>("lines");
        QTest::newRow("empty folder") << qint64(0) << 1 << qint64(2);
        QTest::newRow("one file") << qint64(1) << 1 << qint64(3);
        QTest::newRow("5 files, 2 a line") << qint64(5) << 2 << qint64(5);
        QTest::newRow("4 files, 2 a line") << qint64(4) << 2 << qint64(4);
        QTest::newRow("7 files, 3 a line") << qint64(7) << 3 << qint64(5);
        QTest::newRow("6 files, 3 a line") << qint64(6) << 3 << qint64(4);
        QTest::newRow("8 files, 4 a line") << qint64(8) << 4 << qint64(4);
        QTest::newRow("9 files, 4 a line") << qint64(9) << 4 << qint64(5);
        QTest::newRow("beyond 32-bit") << qint64(5'000'000'000) << 1 << qint64(5'000'000'002);
        QTest::newRow("layout 0 counts as 1") << qint64(3) << 0 << qint64(5);
    }
    void folderLines() {
        QFETCH(qint64, files);
        QFETCH(int, perLine);
        QFETCH(qint64, lines);
        QCOMPARE(ListingPagination::folderLines(files, perLine), lines);
        QCOMPARE(ListingPagination({files}, perLine).lineCount(), lines);
    }

    void pages_data() {
        QTest::addColumn<std::vector<qint64>>("counts");
        QTest::addColumn<int>("perLine");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("page");
        QTest::addColumn<Line>("firstLine");
        QTest::addColumn<int>("linesOnPage");
        QTest::newRow("no folder") << std::vector<qint64>{} << 1 << 0 << 1 << Line{} << 0;
        QTest::newRow("70 lines: one page")
            << std::vector<qint64>{68} << 1 << 1 << 1 << Line{Kind::FolderHeader, 0, -1} << 71;
        QTest::newRow("71 lines: grand total alone on page 2")
            << std::vector<qint64>{69} << 1 << 2 << 2 << Line{} << 1;
        QTest::newRow("folder ending at line 71") << std::vector<qint64>{67, 0} << 1 << 2 << 2 << Line{} << 1;
        QTest::newRow("page starts on a folder's total")
            << std::vector<qint64>{70} << 1 << 2 << 2 << Line{Kind::FolderTotal, 0, -1} << 2;
        QTest::newRow("page starts on a folder's name")
            << std::vector<qint64>{69, 3} << 1 << 2 << 2 << Line{Kind::FolderHeader, 1, -1} << 6;
        QTest::newRow("page starts inside a folder, 2 a line")
            << std::vector<qint64>{200} << 2 << 2 << 2 << Line{Kind::FileLine, 0, 70} << 32;
        QTest::newRow("3 a line") << std::vector<qint64>{300, 1} << 3 << 2 << 2 << Line{Kind::FileLine, 0, 70}
                                  << 35;
        QTest::newRow("4 a line") << std::vector<qint64>{400, 0} << 4 << 2 << 2 << Line{Kind::FileLine, 0, 70}
                                  << 34;
        QTest::newRow("page out of range") << std::vector<qint64>{1} << 1 << 1 << 2 << Line{} << 0;
    }
    void pages() {
        QFETCH(std::vector<qint64>, counts);
        QFETCH(int, perLine);
        QFETCH(int, pages);
        QFETCH(int, page);
        QFETCH(Line, firstLine);
        QFETCH(int, linesOnPage);
        const ListingPagination p(counts, perLine);
        QCOMPARE(p.pageCount(), pages);
        const std::vector<Line> lines = p.pageLines(page);
        QCOMPARE(int(lines.size()), linesOnPage);
        if (!lines.empty()) {
            QCOMPARE(lines.front(), firstLine);
            QCOMPARE(*p.lineAt(p.firstLineOf(page)), firstLine);
        }
        // The walk of a page gives the same lines as looking each one up.
        for (size_t i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i], *p.lineAt(p.firstLineOf(page) + qint64(i)));
        // Every report ends with its grand total on the last page.
        if (pages > 0)
            QCOMPARE(p.pageLines(pages).back(), Line{});
    }

    void everyLineOnceAcrossPages() {
        const ListingPagination p({0, 5, 130, 0, 71, 2, 69}, 2);
        qint64 seen = 0;
        for (int page = 1; page <= p.pageCount(); ++page)
            seen += qint64(p.pageLines(page).size());
        QCOMPARE(seen, p.lineCount() + 1);
        QVERIFY(!p.lineAt(-1));
        QVERIFY(!p.lineAt(p.lineCount() + 1));
        QVERIFY(p.pageLines(0).empty());
    }

    // Three million files: more pages than a 16-bit counter holds, the last one still reached.
    void hugeReport() {
        const ListingPagination p(std::vector<qint64>(100'000, 30), 1);
        QCOMPARE(p.lineCount(), qint64(3'200'000));
        QCOMPARE(p.pageCount(), int((3'200'000 + 1 + 70) / 71));
        QVERIFY(p.pageCount() > 32767);
        QCOMPARE(p.pageLines(p.pageCount()).back(), Line{});
        const Line mid = *p.lineAt(32 * 50'000 + 5);
        QCOMPARE(mid, (Line{Kind::FileLine, 50'000, 4}));
    }

    void queries_data() {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QStringList>("folders");
        QTest::newRow("all folders") << 0
                                     << QStringList{QStringLiteral("/d|2"), QStringLiteral("/d/été|0"),
                                                    QStringLiteral("/d/Zèbre|1")};
        QTest::newRow("non-empty folders")
            << 1 << QStringList{QStringLiteral("/d|2"), QStringLiteral("/d/Zèbre|1")};
    }
    void queries() {
        QFETCH(int, filter);
        QFETCH(QStringList, folders);
        const QString dat = path("q.dat");
        QFile::remove(dat);
        const qint64 big = qint64(5) << 30;
        QVERIFY(makeCatalogue(
            dat, QStringLiteral("/"), QStringLiteral("/d"),
            {{0, QStringLiteral("/d")}, {1, QStringLiteral("/d/Zèbre")}, {2, QStringLiteral("/d/été")}},
            {file(0, 0, QStringLiteral("b.txt"), big), file(1, 0, QStringLiteral("A.txt"), 10),
             file(2, 1, QStringLiteral("z.dll"), 7)}));
        const ListingReport r = openReport(dat, filter);
        QStringList got;
        for (qint64 i = 0; i < r.folderCount(); ++i)
            got << r.folder(i).nom + QLatin1Char('|') + QString::number(r.folder(i).files);
        QCOMPARE(got, folders);
        QCOMPARE(r.totalFiles(), qint64(3));
        QCOMPARE(r.totalSize(), big + 17);
        QCOMPARE(r.folder(0).size, big + 10);
        ListingReport::File f;
        QVERIFY(r.file(0, 0, &f));
        QCOMPARE(f.nom, QStringLiteral("A.txt"));
        QCOMPARE(f.taille.toLongLong(), qint64(10));
        QVERIFY(f.produitVersion.isNull());
        QVERIFY(r.file(0, 1, &f));
        QCOMPARE(f.taille.toLongLong(), big);
        QVERIFY(!r.file(0, 2, &f));
        QVERIFY(!r.file(-1, 0, &f));
        QVERIFY(!r.file(r.folderCount(), 0, &f));
        if (filter == 0) {
            QCOMPARE(r.folder(1).size, qint64(0));
            QVERIFY(!r.file(1, 0, &f));
        }
    }

    // Sizes of a damaged catalogue whose sums leave 64 bits: the sums stop at the bound, either way.
    void sumsStopAtTheBound_data() {
        QTest::addColumn<qint64>("size");
        QTest::newRow("upward") << std::numeric_limits<qint64>::max();
        QTest::newRow("downward") << std::numeric_limits<qint64>::min();
    }
    void sumsStopAtTheBound() {
        QFETCH(qint64, size);
        const QString dat = path("bound.dat");
        QFile::remove(dat);
        QVERIFY(makeCatalogue(dat, QStringLiteral("/"), QStringLiteral("/b"),
                              {{0, QStringLiteral("/b")}, {1, QStringLiteral("/b/c")}},
                              {file(0, 0, QStringLiteral("a"), size), file(1, 0, QStringLiteral("b"), size),
                               file(2, 1, QStringLiteral("c"), size), file(3, 1, QStringLiteral("d"), 1)}));
        const ListingReport r = openReport(dat, ListingReport::AllFolders);
        QCOMPARE(r.folderCount(), qint64(2));
        QCOMPARE(r.folder(0).size, size);
        QCOMPARE(r.folder(1).size, size > 0 ? size : size + 1);
        QCOMPARE(r.totalSize(), size);
        QCOMPARE(r.totalFiles(), qint64(4));
    }

    // The totals made in the pass over the detail rows are the totals query's, folder by folder,
    // with empty folders, a file without a folder and sizes beyond 32 bits.
    void totalsAgreeWithTheTotalsQuery_data() {
        QTest::addColumn<int>("filter");
        QTest::newRow("all folders") << 0;
        QTest::newRow("non-empty folders") << 1;
    }
    void totalsAgreeWithTheTotalsQuery() {
        QFETCH(int, filter);
        const QString dat = path("totals.dat");
        QFile::remove(dat);
        QList<FileRow> files;
        for (int i = 0; i < 40; ++i)
            files << file(i, i % 5 == 4 ? 9 : i % 4, QStringLiteral("f%1").arg(i), (qint64(i) << 31) + i);
        QVERIFY(makeCatalogue(dat, QStringLiteral("/"), QStringLiteral("/t"),
                              {{0, QStringLiteral("/t")},
                               {1, QStringLiteral("/t/b")},
                               {2, QStringLiteral("/t/a")},
                               {3, QStringLiteral("/t/vide")},
                               {5, QStringLiteral("/t/vide2")}},
                              files));
        const ListingReport r = openReport(dat, filter);
        Database db;
        QVERIFY(db.open(dat, OpenMode::ReadOnly));
        auto totals =
            Snapshot::open(db, ListingReport::totalsSql(filter), {}, {{QStringLiteral("Folders.Nom")}});
        QVERIFY(totals.ok());
        QStringList expected, got;
        for (bool more = totals->moveFirst(); more; more = totals->moveNext()) {
            if (totals->isNull(1))
                continue; // files whose folder is missing
            expected << QStringLiteral("%1|%2|%3")
                            .arg(totals->text(0))
                            .arg(totals->value(2).toLongLong())
                            .arg(totals->value(3).toLongLong());
        }
        for (qint64 i = 0; i < r.folderCount(); ++i)
            got << QStringLiteral("%1|%2|%3")
                       .arg(r.folder(i).nom)
                       .arg(r.folder(i).files)
                       .arg(r.folder(i).size);
        QCOMPARE(got, expected);
        QVERIFY(expected.size() >= 3);
    }

    void versionAndTitle() {
        const QString dat = path("v.dat");
        QVERIFY(makeCatalogue(dat, QStringLiteral("/"), QStringLiteral("/v"), {{0, QStringLiteral("/v")}},
                              {file(0, 0, QStringLiteral("p.exe"), 1)}));
        {
            Database db;
            QVERIFY(db.open(dat, OpenMode::ReadWrite));
            VersionFixed fixed;
            fixed.productVersion = QStringLiteral("1.2.3.4");
            CatalogueWriter w(db);
            QVERIFY(w.addVersion(0, nullptr, &fixed));
            QVERIFY(w.commit());
        }
        const ListingReport r = openReport(dat, 0);
        ListingReport::File f;
        QVERIFY(r.file(0, 0, &f));
        QCOMPARE(f.produitVersion.toString(), QStringLiteral("1.2.3.4"));
        QCOMPARE(r.title(false),
                 QStringLiteral("v.dat, créé le 04/03/2021 05:06:07, source: /v, masque: *.*"));
        QCOMPARE(r.title(true),
                 QStringLiteral("Poste de travail du 04/03/2021 05:06:07, source: /v, masque: *.*"));
    }

    void emptyReports_data() {
        QTest::addColumn<bool>("withFolders");
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("pages");
        QTest::newRow("no folder, filter 0") << false << 0 << 0;
        QTest::newRow("no folder, filter 1") << false << 1 << 0;
        QTest::newRow("empty folders, filter 1") << true << 1 << 0;
        QTest::newRow("empty folders, filter 0") << true << 0 << 1;
    }
    void emptyReports() {
        QFETCH(bool, withFolders);
        QFETCH(int, filter);
        QFETCH(int, pages);
        const QString dat = path("e.dat");
        QFile::remove(dat);
        QList<Folder> folders;
        if (withFolders)
            folders = {{0, QStringLiteral("/e")}, {1, QStringLiteral("/e/x")}};
        QVERIFY(makeCatalogue(dat, QStringLiteral("/"), QStringLiteral("/e"), folders, {}));
        const ListingReport r = openReport(dat, filter);
        QCOMPARE(ListingPagination(r.fileCounts(), 1).pageCount(), pages);
        QCOMPARE(r.totalFiles(), qint64(0));
    }

    // A file whose folder row is missing belongs to no folder of the listing.
    void orphanFileLeftOut() {
        const QString dat = path("o.dat");
        QVERIFY(makeCatalogue(dat, QStringLiteral("/"), QStringLiteral("/o"), {{0, QStringLiteral("/o")}},
                              {file(0, 0, QStringLiteral("a")), file(1, 9, QStringLiteral("lost"))}));
        const ListingReport r = openReport(dat, 1);
        QCOMPARE(r.folderCount(), qint64(1));
        QCOMPARE(r.totalFiles(), qint64(1));
    }

    void damagedCatalogue() {
        const QString dat = path("d.dat");
        QVERIFY(
            makeCatalogue(dat, QStringLiteral("/"), QStringLiteral("/d"), {{0, QStringLiteral("/d")}}, {}));
        Database db;
        QVERIFY(db.open(dat, OpenMode::ReadWrite));
        QVERIFY(db.exec(QStringLiteral("DROP TABLE Version")));
        QVERIFY(!ListingReport::open(db, 0).ok());
    }
};

QTEST_GUILESS_MAIN(TestListingReport)
#include "tst_listingreport.moc"
