#pragma once

#include <QString>

namespace vambrel {

// The page shown by the preview and its navigation pictures and keys: previous, next, first, last.
class PageNavigator {
public:
    enum Nav { Previous = 0, Next = 1, First = 2, Last = 3 };

    // A new report starts on page 1, or shows nothing when it has no page.
    void reset(int pageCount);
    int pageCount() const { return m_count; }
    int current() const { return m_current; } // 0 when there is no page
    // Moves by a navigation index; false when the page stays the same (an empty report, the
    // first page going back, the last going on, or an unknown index).
    bool navigate(int nav);
    // Shows a page of the report; false when it is outside 1..pageCount() or already shown.
    bool go(int page);
    // "n sur N"; empty when there is no page.
    QString label() const;

private:
    int m_count = 0;
    int m_current = 0;
};

} // namespace vambrel
