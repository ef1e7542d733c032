#include "ListingPager.h"

#include <algorithm>
#include <climits>

namespace vambrel {

int ListingPager::pageRowsFor(int listHeight, int rowHeight) {
    if (rowHeight <= 0)
        return 1;
    return std::max(1, listHeight / rowHeight - 2);
}

int ListingPager::shownRows() const {
    const qint64 left = m_rowCount - m_topRow + 1;
    return static_cast<int>(std::clamp<qint64>(left, 0, m_pageRows));
}

void ListingPager::reset(qint64 rowCount) {
    m_rowCount = std::max<qint64>(0, rowCount);
    m_topRow = 1;
    m_selected = -1;
}

ListingPager::Action ListingPager::setPageRows(int rows) {
    m_pageRows = std::max(1, rows);
    m_selected = -1;
    return m_rowCount >= 1 ? Action::Refill : Action::None;
}

int ListingPager::scrollMaximum() const {
    return static_cast<int>(std::clamp<qint64>(m_rowCount - m_pageRows + 1, 1, INT_MAX));
}

ListingPager::Action ListingPager::keyDown() {
    const int shown = shownRows();
    if (shown == 0 || m_selected != shown - 1 || m_topRow + shown - 1 >= m_rowCount)
        return Action::None;
    ++m_topRow;
    m_selected = shownRows() - 1;
    return Action::RowInBelow;
}

ListingPager::Action ListingPager::keyUp() {
    if (shownRows() == 0 || m_selected != 0 || m_topRow <= 1)
        return Action::None;
    --m_topRow;
    m_selected = 0;
    return Action::RowInAbove;
}

ListingPager::Action ListingPager::pageDown() {
    const int shown = shownRows();
    const qint64 below = m_rowCount - (m_topRow + m_pageRows - 1);
    if (shown == 0 || m_selected != shown - 1 || below < (m_twoBelow ? 2 : 1))
        return Action::None;
    const qint64 beyond = m_rowCount - (m_topRow + m_pageRows);
    // The old last row comes first; near the end the page ends on the last row instead.
    m_topRow += beyond > m_pageRows ? std::max(1, m_pageRows - 1) : beyond + 1;
    m_selected = -1;
    return Action::Refill;
}

ListingPager::Action ListingPager::pageUp() {
    if (shownRows() == 0 || m_selected != 0 || m_topRow <= 1)
        return Action::None;
    // The old first row comes last; near the start the page begins at the first row.
    m_topRow = m_topRow >= m_pageRows ? m_topRow - std::max(1, m_pageRows - 1) : 1;
    m_selected = -1;
    return Action::Refill;
}

ListingPager::Action ListingPager::home() {
    if (m_rowCount == 0)
        return Action::None;
    m_topRow = 1;
    m_selected = 0;
    return Action::Refill;
}

ListingPager::Action ListingPager::end() {
    if (m_rowCount == 0)
        return Action::None;
    m_topRow = scrollMaximum();
    m_selected = shownRows() - 1;
    return Action::Refill;
}

ListingPager::Action ListingPager::scrollTo(qint64 value) {
    value = std::clamp<qint64>(value, scrollMinimum(), scrollMaximum());
    if (value == m_topRow || m_rowCount == 0)
        return Action::None;
    m_topRow = value;
    m_selected = -1;
    return Action::Refill;
}

} // namespace vambrel
