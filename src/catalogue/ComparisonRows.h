#pragma once

#include "ComparisonQuery.h"

#include <QString>
#include <QVariant>

namespace vambrel {

// The comparison rows with typed accessors for their current record, so that the comparison
// window reads the check job's positions without naming a field.
class ComparisonRows {
public:
    ComparisonRows() = default;
    static Result<ComparisonRows> open(const Database& db);

    bool isValid() const { return m_rows.isValid(); }
    qint64 count() const { return m_rows.isValid() ? m_rows.recordCount() : 0; }
    // An independent cursor over the same rows.
    ComparisonRows clone() const;
    // Moves to a position (from 0); false, and no move, outside the rows.
    bool moveTo(qint64 position) { return m_rows.isValid() && m_rows.setAbsolutePosition(position); }
    // Moves to the row of this file; false, and no move, when it is not among the rows.
    bool findNumId(qint64 numId);

    qint64 numId() const { return m_rows.value(m_numId).toLongLong(); }
    QString nom() const { return m_rows.text(m_nom); }
    QString folder() const { return m_rows.text(m_folder); }
    QVariant taille() const { return m_rows.value(m_taille); }   // Null when unknown
    QVariant modifie() const { return m_rows.value(m_modifie); } // the stored date text, or Null
    QString productVersion() const { return m_rows.text(m_version); }
    // "Fichier": the folder and the name joined.
    QString fullPath() const { return ComparisonPath(m_rows); }

private:
    Snapshot m_rows;
    int m_numId = -1, m_nom = -1, m_folder = -1, m_taille = -1, m_modifie = -1, m_version = -1;
};

} // namespace vambrel
