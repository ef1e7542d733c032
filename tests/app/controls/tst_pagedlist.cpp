#include "controls/PagedList.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

using namespace vambrel;

namespace {

// Rows "r0", "r1"... with the position as key; counts the rows asked for.
class CountingSource : public PagedRowSource {
public:
    explicit CountingSource(qint64 rows) : m_rows(rows) {}
    qint64 rowCount() const override { return m_rows; }
    QStringList headers() const override { return {QStringLiteral("Nom"), QStringLiteral("Taille")}; }
    QList<int> rightAlignedColumns() const override { return {1}; }
    Row row(qint64 position) override {
        ++asked;
        if (position < 0 || position >= m_rows)
            return {};
        return {{QStringLiteral("r%1").arg(position), QString::number(position * 10)}, QIcon(), position};
    }
    void restAt(qint64 position) override { restedAt = position; }
    void setRows(qint64 rows) { m_rows = rows; }

    qint64 asked = 0;
    qint64 restedAt = -1;

private:
    qint64 m_rows;
};

QString firstShown(const PagedList& list) {
    return list.model()->index(0, 0).data().toString();
}

} // namespace

class TestPagedList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyAndNoSource() {
        PagedList list;
        list.resize(400, 300);
        list.show();
        QCOMPARE(list.rowCount(), qint64(0));
        QCOMPARE(list.model()->rowCount(), 0);
        list.pageKey(Qt::Key_Down);
        CountingSource empty(0);
        list.setSource(&empty);
        QCOMPARE(list.model()->rowCount(), 0);
        QCOMPARE(list.scrollBar()->maximum(), 1);
        QCOMPARE(list.currentRow(), qint64(-1));
        QCOMPARE(list.currentKey(), qint64(-1));
        QCOMPARE(empty.asked, qint64(0));
    }

    // The model holds one page and asks the source for the rows of that page only.
    void pageOfALongSource() {
        PagedList list;
        list.resize(400, 300);
        list.show();
        CountingSource source(1'000'000);
        list.setSource(&source);
        const int page = list.pager().pageRows();
        QVERIFY(page > 3 && page < 40);
        QCOMPARE(list.model()->rowCount(), page);
        QCOMPARE(list.rowCount(), qint64(1'000'000));
        QCOMPARE(list.scrollBar()->maximum(), 1'000'000 - page + 1);
        QCOMPARE(list.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Taille"));
        QCOMPARE(list.model()->index(0, 1).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignRight | Qt::AlignVCenter));
        QVERIFY(source.asked <= 2 * page + 1);

        source.asked = 0;
        list.scrollBar()->setValue(500'000);
        QCOMPARE(firstShown(list), QStringLiteral("r499999"));
        QCOMPARE(source.restedAt, qint64(499'999));
        QVERIFY(source.asked <= page);

        list.scrollBar()->setValue(list.scrollBar()->maximum());
        QCOMPARE(list.model()->index(page - 1, 0).data().toString(), QStringLiteral("r999999"));
    }

    void keysAtTheEdges_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("fromBottom");
        QTest::addColumn<int>("top"); // first shown row after the key, from 1; 0 for one page on
        QTest::newRow("down at the last row") << int(Qt::Key_Down) << true << 2;
        QTest::newRow("page down at the last row") << int(Qt::Key_PageDown) << true << 0;
        QTest::newRow("up at the first row of the list") << int(Qt::Key_Up) << false << 1;
        QTest::newRow("page up at the first row of the list") << int(Qt::Key_PageUp) << false << 1;
    }
    void keysAtTheEdges() {
        QFETCH(int, key);
        QFETCH(bool, fromBottom);
        QFETCH(int, top);
        PagedList list;
        list.resize(400, 300);
        list.show();
        CountingSource source(100);
        list.setSource(&source);
        const int page = list.pager().pageRows();
        list.setPageSelection(fromBottom ? page - 1 : 0);
        QTest::keyClick(list.list(), Qt::Key(key));
        const qint64 expected = top == 0 ? qint64(page) : qint64(top);
        QCOMPARE(list.pager().topRow(), expected);
        QCOMPARE(firstShown(list), QStringLiteral("r%1").arg(expected - 1));
        QCOMPARE(list.scrollBar()->value(), int(expected));
    }

    // Ctrl+Home and Ctrl+End reach the ends of the whole list; Home alone stays in the page.
    void homeAndEndOfTheWholeList() {
        PagedList list;
        list.resize(400, 300);
        list.show();
        CountingSource source(1000);
        list.setSource(&source);
        list.scrollBar()->setValue(400);
        list.setPageSelection(3);
        QTest::keyClick(list.list(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(list.currentRow(), qint64(999));
        QCOMPARE(list.scrollBar()->value(), list.scrollBar()->maximum());
        QTest::keyClick(list.list(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(list.currentRow(), qint64(0));
        QCOMPARE(list.scrollBar()->value(), 1);
        list.scrollBar()->setValue(400);
        list.setPageSelection(3);
        QTest::keyClick(list.list(), Qt::Key_Home);
        QCOMPARE(list.pager().topRow(), qint64(400));
    }

    void selectionAndActivation() {
        PagedList list;
        list.resize(400, 300);
        list.show();
        CountingSource source(100);
        list.setSource(&source);
        QSignalSpy activated(&list, &PagedList::activated);
        // Nothing selected: Return does nothing.
        list.pageKey(Qt::Key_Return);
        QCOMPARE(activated.count(), 0);
        list.scrollBar()->setValue(40);
        list.setPageSelection(2);
        QCOMPARE(list.currentRow(), qint64(41));
        QCOMPARE(list.currentKey(), qint64(41));
        QTest::keyClick(list.list(), Qt::Key_Return);
        QCOMPARE(activated.count(), 1);
        // A page moved by the scroll bar loses the selection.
        list.scrollBar()->setValue(60);
        QCOMPARE(list.currentRow(), qint64(-1));
        list.setPageSelection(10'000);
        QCOMPARE(list.currentRow(), qint64(-1));
    }

    void resetAfterTheSourceChanged() {
        PagedList list;
        list.resize(400, 300);
        list.show();
        CountingSource source(100);
        list.setSource(&source);
        list.scrollBar()->setValue(80);
        source.setRows(3);
        list.reset();
        QCOMPARE(list.rowCount(), qint64(3));
        QCOMPARE(list.model()->rowCount(), 3);
        QCOMPARE(list.pager().topRow(), qint64(1));
        QCOMPARE(list.scrollBar()->value(), 1);
        QCOMPARE(list.scrollBar()->maximum(), 1);
        list.setSource(nullptr);
        QCOMPARE(list.model()->rowCount(), 0);
        QCOMPARE(list.rowCount(), qint64(0));
    }

    // A taller list shows more rows from the same first row.
    void resizeKeepsTheFirstRow() {
        PagedList list;
        list.resize(400, 300);
        list.show();
        CountingSource source(1000);
        list.setSource(&source);
        const int page = list.pager().pageRows();
        list.scrollBar()->setValue(500);
        list.resize(400, 600);
        QVERIFY(list.pager().pageRows() > page);
        QCOMPARE(list.model()->rowCount(), list.pager().pageRows());
        QCOMPARE(firstShown(list), QStringLiteral("r499"));
    }
};

QTEST_MAIN(TestPagedList)
#include "tst_pagedlist.moc"
