#pragma once

#include <QtGlobal>

namespace vambrel {

// Paging of a long list (the flat file list, the comparison categories): the list holds one page of the
// result, rows topRow to topRow + shownRows() - 1 (counting from 1), and a scroll bar stands for the whole
// result. Keys act only at the edges of the page; inside it the list moves its selection by itself.
class ListingPager {
public:
    // What the list must do to its rows after an event.
    enum class Action {
        None,
        RowInBelow, // drop the first row, append the row topRow + shownRows() - 1
        RowInAbove, // drop the last row, insert row topRow at the top
        Refill      // clear and fill a page from topRow
    };

    // Rows of a page for a list of this height: whole rows less two, at least one.
    static int pageRowsFor(int listHeight, int rowHeight);

    int pageRows() const { return m_pageRows; }
    qint64 topRow() const { return m_topRow; }
    qint64 rowCount() const { return m_rowCount; }
    // Rows the page holds: a page, or fewer at the end of the result.
    int shownRows() const;
    // Selected row of the page from 0; -1 for none.
    int selected() const { return m_selected; }
    void setSelected(int row) { m_selected = row >= 0 && row < shownRows() ? row : -1; }

    // Page Down moves only when more than one row lies below the page (the comparison lists), rather
    // than any row (the flat list); a single row below is reached with Down.
    void setPageDownNeedsTwoBelow(bool on) { m_twoBelow = on; }
    bool pageDownNeedsTwoBelow() const { return m_twoBelow; }

    // A new result: topRow 1, nothing selected.
    void reset(qint64 rowCount);
    // After a resize. The page still starts at topRow; Refill when there are rows.
    Action setPageRows(int rows);

    int scrollMinimum() const { return 1; }
    int scrollMaximum() const;
    int largeChange() const { return m_pageRows; }

    Action keyDown();
    Action keyUp();
    Action pageDown();
    Action pageUp();
    // Ctrl+Home and Ctrl+End: the first or the last row of the whole result, selected.
    Action home();
    Action end();
    // The scroll bar moved to `value`; clamped to the scroll range.
    Action scrollTo(qint64 value);

private:
    int m_pageRows = 1;
    qint64 m_topRow = 1;
    qint64 m_rowCount = 0;
    int m_selected = -1;
    bool m_twoBelow = false;
};

} // namespace vambrel
