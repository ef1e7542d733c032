// The text building of a report page: shortening, alignment, headers, the title, the four file
// layouts and the totals, measured with a fixed-width stand-in so that every position is known.

#include "TestCatalogue.h"
#include "ListingPagination.h"
#include "ListingReport.h"
#include "TextFormat.h"
#include "print/ListingLayout.h"
#include "print/ListingPageComposer.h"
#include "print/TextFit.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;
using namespace vambrel::test;
using Item = ListingPageComposer::Item;

namespace {

// 100 twips a character, 120 in bold.
double fixedWidth(const QString& t, bool bold) {
    return double(t.size()) * (bold ? 120 : 100);
}

QString describe(const Item& i) {
    if (i.kind == Item::Rule)
        return QStringLiteral("rule %1-%2 @%3").arg(i.x).arg(i.x2).arg(i.y);
    return QStringLiteral("%1,%2%3%4 %5")
        .arg(i.x)
        .arg(i.y)
        .arg(i.bold ? QStringLiteral(" b") : QString())
        .arg(i.underline ? QStringLiteral("u") : QString())
        .arg(i.text);
}

} // namespace

class TestListingCompose : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Database m_db;

    ListingReport open(const QList<Folder>& folders, const QList<FileRow>& files, int filter = 0) {
        static int n = 0;
        const QString path = m_dir.filePath(QStringLiteral("c%1.dat").arg(++n));
        if (!makeCatalogue(path, QStringLiteral("/"), QStringLiteral("/r"), folders, files))
            qFatal("catalogue");
        m_db = Database();
        if (!m_db.open(path, OpenMode::ReadOnly))
            qFatal("open");
        return std::move(ListingReport::open(m_db, filter).value());
    }

    static QStringList pageTexts(const ListingReport& r, int perLine, int page, bool preview = false,
                                 bool computer = false) {
        const ListingPagination p(r.fileCounts(), perLine);
        const ListingPageComposer c(r, p, computer, fixedWidth);
        QStringList out;
        for (const Item& i : c.page(page, preview))
            out << describe(i);
        return out;
    }

private Q_SLOTS:
    void shorten_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("width");
        QTest::addColumn<QString>("shown");
        QTest::newRow("fits") << QStringLiteral("abcdef") << 600.0 << QStringLiteral("abcdef");
        QTest::newRow("one over") << QStringLiteral("abcdefg") << 600.0 << QStringLiteral("abc...");
        QTest::newRow("room for dots only") << QStringLiteral("abcdefg") << 350.0 << QStringLiteral("...");
        QTest::newRow("not even the dots") << QStringLiteral("abcdefg") << 100.0 << QStringLiteral("...");
        QTest::newRow("single wide char") << QStringLiteral("W") << 50.0 << QStringLiteral("...");
        QTest::newRow("surrogate pair kept whole")
            << (QStringLiteral("ab") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("cdef")) << 600.0
            << QStringLiteral("ab...");
    }
    void shorten() {
        QFETCH(QString, text);
        QFETCH(double, width);
        QFETCH(QString, shown);
        const QString got =
            TextFit::shorten(text, width, [](const QString& t) { return fixedWidth(t, false); });
        QCOMPARE(got, shown);
    }

    void columns() {
        QCOMPARE(ListingLayout::columns(4).size(), size_t(4));
        QCOMPARE(ListingLayout::columns(4).back().x, 1190 + 2475 * 3);
        QCOMPARE(ListingLayout::columns(3).back().x, 1190 + 3300 * 2);
        QCOMPARE(ListingLayout::columns(2).back().x, 4470 + 5120);
        QCOMPARE(ListingLayout::columns(1).size(), size_t(5));
        QCOMPARE(ListingLayout::columns(0).size(), size_t(5));
        // No name column reaches the next one.
        for (int k = 1; k <= 4; ++k) {
            const auto cols = ListingLayout::columns(k);
            for (size_t i = 0; i + 1 < cols.size(); ++i)
                if (cols[i].width > 0 && !cols[i].rightAligned && !cols[i + 1].rightAligned)
                    QVERIFY(cols[i].x + cols[i].width <= cols[i + 1].x);
        }
    }

    void detailsLayout() {
        const QDateTime when(QDate(2020, 5, 17), QTime(10, 30, 0));
        const ListingReport r = open({{0, QStringLiteral("/r")}, {1, QStringLiteral("/r/vide")}},
                                     {file(0, 0, QStringLiteral("un_nom_bien_trop_long_pour_sa_colonne.txt"),
                                           1234567, QStringLiteral("Texte"), when)});
        const QStringList got = pageTexts(r, 1, 1, true);
        QCOMPARE(got.value(0), QStringLiteral("9900,850 Page 1"));
        QCOMPARE(got.value(1), QStringLiteral("850,850 ") + r.title(false));
        QCOMPARE(got.value(2), QStringLiteral("850,1060 bu /r"));
        QCOMPARE(got.value(3), QStringLiteral("1190,1270 un_nom_bien_trop_long_po...")); // 27 in 2790
        QCOMPARE(got.value(4), QStringLiteral("4345,1270 1 234 567"));                   // right at 5245
        QCOMPARE(got.value(5), QStringLiteral("5440,1270 Texte"));
        QCOMPARE(got.value(6), QStringLiteral("7825,1270 17/05/2020 10:30:00"));
        QCOMPARE(got.value(7), QStringLiteral("4405,1480 b 1,18 Mo"));
        QCOMPARE(got.value(8), QStringLiteral("7190,1480 b 1 fichier(s)"));
        // The empty folder: its name and its total, no file line.
        QCOMPARE(got.value(9), QStringLiteral("850,1690 bu /r/vide"));
        QCOMPARE(got.value(10),
                 QStringLiteral("%1,1900 b %2").arg(5245 - SizeText(0).size() * 120).arg(SizeText(0)));
        QCOMPARE(got.value(11), QStringLiteral("7190,1900 b 0 fichier(s)"));
        QCOMPARE(got.value(12), QStringLiteral("rule 850-10500 @2110"));
        QCOMPARE(got.value(13), QStringLiteral("850,2110 b TOTAL"));
        QCOMPARE(got.size(), 16);
        // The printer gets no rule.
        QVERIFY(!pageTexts(r, 1, 1, false).join(u'\n').contains(QStringLiteral("rule")));
    }

    void filesPerLine_data() {
        QTest::addColumn<int>("perLine");
        QTest::addColumn<QStringList>("fileLines");
        QTest::newRow("2") << 2 << QStringList{QStringLiteral("1190,1270 a0"),
                                               QStringLiteral("4470,1270 17/05/2020 10:30:00"),
                                               QStringLiteral("6310,1270 a1"),
                                               QStringLiteral("9590,1270 17/05/2020 10:30:00"),
                                               QStringLiteral("1190,1480 a2"),
                                               QStringLiteral("4470,1480 17/05/2020 10:30:00")};
        QTest::newRow("3") << 3
                           << QStringList{QStringLiteral("1190,1270 a0"), QStringLiteral("4490,1270 a1"),
                                          QStringLiteral("7790,1270 a2")};
        QTest::newRow("4") << 4
                           << QStringList{QStringLiteral("1190,1270 a0"), QStringLiteral("3665,1270 a1"),
                                          QStringLiteral("6140,1270 a2")};
    }
    void filesPerLine() {
        QFETCH(int, perLine);
        QFETCH(QStringList, fileLines);
        const ListingReport r = open({{0, QStringLiteral("/r")}, {1, QStringLiteral("/r/s")}},
                                     {file(0, 0, QStringLiteral("a0")), file(1, 0, QStringLiteral("a1")),
                                      file(2, 0, QStringLiteral("a2")), file(3, 1, QStringLiteral("b0"))});
        const QStringList got = pageTexts(r, perLine, 1);
        // Page text, title, folder name, then the file lines; the next folder's file starts its own line.
        QCOMPARE(got.mid(3, fileLines.size()), fileLines);
        QVERIFY(got.value(3 + int(fileLines.size())).contains(QStringLiteral(" b ")));
        QVERIFY(got.contains(
            QStringLiteral("1190,%1 b0")
                .arg(ListingLayout::lineY(2 + int(ListingPagination::folderLines(3, perLine)) + 1))));
    }

    void laterPagesHaveNoTitle() {
        QList<FileRow> files;
        for (int i = 0; i < 300; ++i)
            files << file(i, 0, QStringLiteral("f%1").arg(i, 3, 10, QLatin1Char('0')));
        const ListingReport r = open({{0, QStringLiteral("/r")}}, files);
        const ListingPagination p(r.fileCounts(), 1);
        QCOMPARE(p.pageCount(), 5);
        const ListingPageComposer c(r, p, true, fixedWidth);
        for (int page : {2, 3}) {
            const std::vector<Item> items = c.page(page, false);
            QCOMPARE(items.front().text, QStringLiteral("Page %1").arg(page));
            QCOMPARE(items[1].y, double(ListingLayout::lineY(2)));
            // Page 2 begins at line 72 of the report: file 70 (header is line 1).
            QCOMPARE(items[1].text, page == 2 ? QStringLiteral("f070") : QStringLiteral("f141"));
        }
        const std::vector<Item> first = c.page(1, false);
        QVERIFY(first[1].text.startsWith(QStringLiteral("Poste de travail du ")));
        QVERIFY(c.page(6, false).empty());
    }

    // The title and the page text share 9550 twips.
    void longTitleShortened() {
        const ListingReport r = open({{0, QStringLiteral("/r")}}, {});
        const ListingPagination p(r.fileCounts(), 1);
        const QString source = QString(200, u's');
        const ListingPageComposer c(r, p, false, fixedWidth);
        const std::vector<Item> items = c.page(1, false);
        QCOMPARE(items[1].text, r.title(false));
        Database db;
        const QString path = m_dir.filePath(QStringLiteral("long.dat"));
        QVERIFY(makeCatalogue(path, QStringLiteral("/"), source, {{0, QStringLiteral("/r")}}, {}));
        QVERIFY(db.open(path, OpenMode::ReadOnly));
        const ListingReport longer = std::move(ListingReport::open(db, 0).value());
        const ListingPageComposer c2(longer, p, false, fixedWidth);
        const QString shown = c2.page(1, false)[1].text;
        QCOMPARE(shown.size(), 89); // (9550 - 600) / 100 characters, the dots included
        QVERIFY(shown.endsWith(QStringLiteral("...")));
    }

    void namesNotUtf8ShownReadably() {
        const ListingReport r =
            open({{0, QStringLiteral("/r")}}, {file(0, 0, QString(QChar(0xF7E9)) + QStringLiteral("té"))});
        QVERIFY(pageTexts(r, 3, 1).contains(QStringLiteral("1190,1270 \\xE9té")));
    }
};

QTEST_MAIN(TestListingCompose)
#include "tst_listingcompose.moc"
