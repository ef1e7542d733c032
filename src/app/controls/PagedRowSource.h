#pragma once

#include <QIcon>
#include <QStringList>

namespace vambrel {

// The rows behind a paged list: a long result read by absolute position, 0 to rowCount() - 1.
// The list asks only for the rows of the page it shows, so a source holds positions, never a copy
// of its rows as texts.
class PagedRowSource {
public:
    virtual ~PagedRowSource() = default;

    virtual qint64 rowCount() const = 0;
    virtual QStringList headers() const = 0;
    // Columns shown right-aligned (sizes).
    virtual QList<int> rightAlignedColumns() const { return {}; }

    struct Row {
        QStringList texts; // one per header
        QIcon icon;        // shown in the first column
        qint64 key = -1;   // what the row stands for (a file's NumId); the list's Qt::UserRole
    };
    // The row at a position; an empty row outside the range.
    virtual Row row(qint64 position) = 0;
    // After a page is read: the source's cursor rests on the page's first row, where commands
    // on the list begin when no row is selected.
    virtual void restAt(qint64 position) { (void)position; }
};

} // namespace vambrel
