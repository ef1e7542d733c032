#pragma once

#include "ListingPager.h"
#include "PagedRowSource.h"

#include <QAbstractTableModel>
#include <QVector>
#include <QWidget>

class QScrollBar;
class QTreeView;

namespace vambrel {

// The rows of one page of a paged list, asked of the source when the page moves.
class PagedListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit PagedListModel(QObject* parent = nullptr);

    void setSource(PagedRowSource* source);
    PagedRowSource* source() const { return m_source; }
    // Reads rows first .. first + count - 1 (from 0) of the source as the page.
    void showPage(qint64 first, int count);
    qint64 firstRow() const { return m_first; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    PagedRowSource* m_source = nullptr;
    QStringList m_headers;
    QList<int> m_right;
    QVector<PagedRowSource::Row> m_rows;
    qint64 m_first = 0;
};

// A long list shown one page at a time: a list view that holds the rows of one page beside a
// separate scroll bar that stands for the position in the whole list. The paging rules are
// ListingPager's; the rows come from a PagedRowSource. Counts are the source's, never a label's.
class PagedList : public QWidget {
    Q_OBJECT

public:
    explicit PagedList(QWidget* parent = nullptr);

    // Shows a new source (or the same one after its order changed) from its first row. The
    // source must outlive its use by the list; null empties the list.
    void setSource(PagedRowSource* source);
    // The source's rows changed order or count: back to the first row, nothing selected.
    void reset();

    QTreeView* list() const { return m_list; }
    QScrollBar* scrollBar() const { return m_scroll; }
    PagedListModel* model() const { return m_model; }
    const ListingPager& pager() const { return m_pager; }
    qint64 rowCount() const { return m_pager.rowCount(); }

    // The selected row of the whole list (from 0), or -1.
    qint64 currentRow() const;
    // The key of the selected row, or -1.
    qint64 currentKey() const;
    // Selects row `row` of the page (from 0); out of range clears the selection.
    void setPageSelection(int row);
    void setPageDownNeedsTwoBelow(bool on) { m_pager.setPageDownNeedsTwoBelow(on); }
    // A key as the list receives it: the edges of the page move the page; Home and End (with
    // Ctrl in the list) go to the ends of the whole list.
    void pageKey(int key);

Q_SIGNALS:
    // Return, Enter or a double click on a selected row.
    void activated();
    void headerClicked(int column);
    // A right click; the row under the pointer, in whatever column, is selected first.
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutChildren();
    void computePage();
    void apply(ListingPager::Action action);
    void fill();
    void onScroll(int value);

    QTreeView* m_list;
    QScrollBar* m_scroll;
    PagedListModel* m_model;
    ListingPager m_pager;
    bool m_filling = false;
};

} // namespace vambrel
