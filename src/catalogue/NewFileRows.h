#pragma once

#include "Database.h"
#include "Result.h"
#include "Snapshot.h"

#include <QString>

namespace vambrel {

// The files of a new-files list with their folders, in one of the four orders that the comparison
// window offers: by name (then folder) or by folder (then name), the first key either way.
class NewFileRows {
public:
    enum Key { ByName = 0, ByFolder = 1 };

    NewFileRows() = default;
    static Result<NewFileRows> open(const Database& db, Key key, bool descending);
    // The same rows in another order, without reading the list again.
    Result<NewFileRows> resorted(Key key, bool descending) const;

    bool isValid() const { return m_rows.isValid(); }
    qint64 count() const { return m_rows.isValid() ? m_rows.recordCount() : 0; }
    bool moveTo(qint64 position) { return m_rows.isValid() && m_rows.setAbsolutePosition(position); }
    qint64 position() const { return m_rows.absolutePosition(); }

    QString folder() const { return m_rows.text(m_folder); } // empty for a file without a folder
    QString nom() const { return m_rows.text(m_nom); }
    qint64 numId() const { return m_rows.value(m_numId).toLongLong(); }

private:
    static QList<SortColumn> order(Key key, bool descending);
    static Result<NewFileRows> wrap(Result<Snapshot> snapshot);

    Snapshot m_rows;
    int m_folder = -1, m_nom = -1, m_numId = -1;
};

} // namespace vambrel
