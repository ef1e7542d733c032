#include "controls/ListingPager.h"

#include <QTest>

using namespace vambrel;
using Action = ListingPager::Action;

Q_DECLARE_METATYPE(ListingPager::Action)

namespace {

// A pager of `rows` rows, pages of `page`, showing from `top` with `selected` selected.
ListingPager pagerAt(qint64 rows, int page, qint64 top, int selected) {
    ListingPager p;
    p.setPageRows(page);
    p.reset(rows);
    if (top > 1)
        p.scrollTo(top);
    p.setSelected(selected);
    return p;
}

} // namespace

class TestListingPager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keys_data() {
        QTest::addColumn<qint64>("rows");
        QTest::addColumn<int>("page");
        QTest::addColumn<qint64>("top");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("key");
        QTest::addColumn<Action>("action");
        QTest::addColumn<qint64>("newTop");
        QTest::addColumn<int>("newSelected");

        // 100 rows, pages of 20.
        QTest::newRow("page down near the end ends on the last row")
            << qint64(100) << 20 << qint64(80) << 19 << int(Qt::Key_PageDown) << Action::Refill << qint64(81)
            << -1;
        QTest::newRow("page down with the last row shown does nothing")
            << qint64(100) << 20 << qint64(81) << 19 << int(Qt::Key_PageDown) << Action::None << qint64(81)
            << 19;
        QTest::newRow("page down from the top: old last row first")
            << qint64(100) << 20 << qint64(1) << 19 << int(Qt::Key_PageDown) << Action::Refill << qint64(20)
            << -1;
        QTest::newRow("page down not on the last shown row")
            << qint64(100) << 20 << qint64(1) << 5 << int(Qt::Key_PageDown) << Action::None << qint64(1) << 5;
        QTest::newRow("page up back to the top") << qint64(100) << 20 << qint64(20) << 0
                                                 << int(Qt::Key_PageUp) << Action::Refill << qint64(1) << -1;
        QTest::newRow("page up: old first row last")
            << qint64(100) << 20 << qint64(50) << 0 << int(Qt::Key_PageUp) << Action::Refill << qint64(31)
            << -1;
        QTest::newRow("page up below a page from the top")
            << qint64(100) << 20 << qint64(7) << 0 << int(Qt::Key_PageUp) << Action::Refill << qint64(1)
            << -1;
        QTest::newRow("page up at the top does nothing")
            << qint64(100) << 20 << qint64(1) << 0 << int(Qt::Key_PageUp) << Action::None << qint64(1) << 0;
        QTest::newRow("up on row 1 at the top does nothing")
            << qint64(100) << 20 << qint64(1) << 0 << int(Qt::Key_Up) << Action::None << qint64(1) << 0;
        QTest::newRow("up on row 1 brings a row in above")
            << qint64(100) << 20 << qint64(40) << 0 << int(Qt::Key_Up) << Action::RowInAbove << qint64(39)
            << 0;
        QTest::newRow("up inside the page is the list's own")
            << qint64(100) << 20 << qint64(40) << 3 << int(Qt::Key_Up) << Action::None << qint64(40) << 3;
        QTest::newRow("down on the last shown row brings a row in below")
            << qint64(100) << 20 << qint64(1) << 19 << int(Qt::Key_Down) << Action::RowInBelow << qint64(2)
            << 19;
        QTest::newRow("down on the last row of the result does nothing")
            << qint64(100) << 20 << qint64(81) << 19 << int(Qt::Key_Down) << Action::None << qint64(81) << 19;
        QTest::newRow("short result: down at its end does nothing")
            << qint64(5) << 20 << qint64(1) << 4 << int(Qt::Key_Down) << Action::None << qint64(1) << 4;
        QTest::newRow("page of one row still moves")
            << qint64(10) << 1 << qint64(1) << 0 << int(Qt::Key_PageDown) << Action::Refill << qint64(2)
            << -1;
        QTest::newRow("empty result ignores keys")
            << qint64(0) << 20 << qint64(1) << -1 << int(Qt::Key_Down) << Action::None << qint64(1) << -1;
        QTest::newRow("home from the middle: first row selected")
            << qint64(100) << 20 << qint64(50) << 7 << int(Qt::Key_Home) << Action::Refill << qint64(1) << 0;
        QTest::newRow("end from the top: last row selected")
            << qint64(100) << 20 << qint64(1) << -1 << int(Qt::Key_End) << Action::Refill << qint64(81) << 19;
        QTest::newRow("end of a short result")
            << qint64(5) << 20 << qint64(1) << 0 << int(Qt::Key_End) << Action::Refill << qint64(1) << 4;
        QTest::newRow("end of a million rows") << qint64(1000000) << 31 << qint64(1) << 0 << int(Qt::Key_End)
                                               << Action::Refill << qint64(999970) << 30;
        QTest::newRow("home of an empty result")
            << qint64(0) << 20 << qint64(1) << -1 << int(Qt::Key_Home) << Action::None << qint64(1) << -1;
    }
    void keys() {
        QFETCH(qint64, rows);
        QFETCH(int, page);
        QFETCH(qint64, top);
        QFETCH(int, selected);
        QFETCH(int, key);
        QFETCH(Action, action);
        ListingPager p = pagerAt(rows, page, top, selected);
        QCOMPARE(p.topRow(), top);
        Action got = Action::None;
        switch (key) {
        case Qt::Key_Down:
            got = p.keyDown();
            break;
        case Qt::Key_Up:
            got = p.keyUp();
            break;
        case Qt::Key_PageDown:
            got = p.pageDown();
            break;
        case Qt::Key_PageUp:
            got = p.pageUp();
            break;
        case Qt::Key_Home:
            got = p.home();
            break;
        case Qt::Key_End:
            got = p.end();
            break;
        }
        QCOMPARE(got, action);
        QTEST(p.topRow(), "newTop");
        QTEST(p.selected(), "newSelected");
        // The page never runs past the result.
        QVERIFY(p.topRow() + p.shownRows() - 1 <= qMax<qint64>(rows, 0));
    }

    // The comparison lists page down only with two rows or more below the page; the flat list with one.
    void pageDownGuard_data() {
        QTest::addColumn<bool>("twoBelow");
        QTest::addColumn<qint64>("rows");
        QTest::addColumn<qint64>("top");
        QTest::addColumn<int>("action");
        QTest::addColumn<qint64>("newTop");
        QTest::newRow("flat, one below")
            << false << qint64(11) << qint64(1) << int(Action::Refill) << qint64(2);
        QTest::newRow("compare, one below")
            << true << qint64(11) << qint64(1) << int(Action::None) << qint64(1);
        QTest::newRow("compare, two below")
            << true << qint64(12) << qint64(1) << int(Action::Refill) << qint64(3);
        QTest::newRow("compare, exactly a page")
            << true << qint64(10) << qint64(1) << int(Action::None) << qint64(1);
        QTest::newRow("compare, far")
            << true << qint64(100) << qint64(1) << int(Action::Refill) << qint64(10);
        QTest::newRow("compare, near end")
            << true << qint64(25) << qint64(10) << int(Action::Refill) << qint64(16);
    }
    void pageDownGuard() {
        QFETCH(bool, twoBelow);
        QFETCH(qint64, rows);
        QFETCH(qint64, top);
        QFETCH(int, action);
        QFETCH(qint64, newTop);
        ListingPager p = pagerAt(rows, 10, top, -1);
        p.setPageDownNeedsTwoBelow(twoBelow);
        p.setSelected(p.shownRows() - 1);
        QCOMPARE(int(p.pageDown()), action);
        QCOMPARE(p.topRow(), newTop);
        // Down still reaches the one row below.
        if (twoBelow && rows == 11) {
            QCOMPARE(p.keyDown(), Action::RowInBelow);
            QCOMPARE(p.topRow(), qint64(2));
        }
    }

    void scrollRange_data() {
        QTest::addColumn<qint64>("rows");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("shown");
        QTest::newRow("100 rows, pages of 20") << qint64(100) << 20 << 81 << 20;
        QTest::newRow("fewer rows than a page") << qint64(7) << 20 << 1 << 7;
        QTest::newRow("exactly a page") << qint64(20) << 20 << 1 << 20;
        QTest::newRow("empty") << qint64(0) << 20 << 1 << 0;
        QTest::newRow("a million rows") << qint64(1000000) << 31 << 999970 << 31;
    }
    void scrollRange() {
        QFETCH(qint64, rows);
        QFETCH(int, page);
        const ListingPager p = pagerAt(rows, page, 1, -1);
        QTEST(p.scrollMaximum(), "maximum");
        QTEST(p.shownRows(), "shown");
        QCOMPARE(p.scrollMinimum(), 1);
        QCOMPARE(p.largeChange(), page);
    }

    void scrollTo() {
        ListingPager p = pagerAt(100, 20, 1, 3);
        QCOMPARE(p.scrollTo(1), Action::None);
        QCOMPARE(p.selected(), 3);
        QCOMPARE(p.scrollTo(50), Action::Refill);
        QCOMPARE(p.topRow(), qint64(50));
        QCOMPARE(p.selected(), -1);
        // Beyond the range: the last page.
        QCOMPARE(p.scrollTo(500), Action::Refill);
        QCOMPARE(p.topRow(), qint64(81));
        QCOMPARE(p.scrollTo(-4), Action::Refill);
        QCOMPARE(p.topRow(), qint64(1));
    }

    void resizeKeepsTopRow() {
        ListingPager p = pagerAt(100, 20, 30, -1);
        QCOMPARE(p.setPageRows(40), Action::Refill);
        QCOMPARE(p.topRow(), qint64(30));
        QCOMPARE(p.shownRows(), 40);
        QCOMPARE(p.scrollMaximum(), 61);
        ListingPager empty;
        QCOMPARE(empty.setPageRows(10), Action::None);
    }

    void pageRowsFor_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("rowHeight");
        QTest::addColumn<int>("rows");
        QTest::newRow("whole rows less two") << 400 << 18 << 20;
        QTest::newRow("exact fit") << 360 << 18 << 18;
        QTest::newRow("tiny list keeps one row") << 20 << 18 << 1;
        QTest::newRow("no row height") << 400 << 0 << 1;
    }
    void pageRowsFor() {
        QFETCH(int, height);
        QFETCH(int, rowHeight);
        QTEST(ListingPager::pageRowsFor(height, rowHeight), "rows");
    }
};

QTEST_APPLESS_MAIN(TestListingPager)
#include "tst_listingpager.moc"
