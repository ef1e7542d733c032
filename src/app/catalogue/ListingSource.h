#pragma once

#include "Database.h"
#include "Snapshot.h"

#include <QHash>
#include <QString>

namespace vambrel {

// The rows of the flat file list: every file of a catalogue with its folder, read once, then
// ordered in memory by one column in either direction.
class ListingSource {
public:
    enum Column { ColNom = 0, ColChemin = 1, ColTaille = 2, ColType = 3, ColModifie = 4, ColumnCount = 5 };

    // The query of the list, without an order.
    static QString querySql();
    // The order of a sort column: the column, then the file name (the folder for "Nom").
    // Empty for a column that does not exist.
    static QList<SortColumn> sortOrder(int column, bool descending);

    // Runs the query, orders it by the current sort, sums the sizes; the rows rest on the first.
    bool open(const Database& db, QString* error);
    bool isOpen() const { return m_base.isValid(); }

    int sortColumn() const { return m_sortColumn; }
    bool descending() const { return m_descending; }
    // A column click: the sort column flips its order, another column sorts ascending. Nothing
    // happens (false) when there are no rows or no such column.
    bool sortByColumn(int column);

    qint64 rowCount() const { return m_rows.recordCount(); }
    double totalSize() const { return m_totalSize; }
    // filesRs: the ordered rows.
    Snapshot& rows() { return m_rows; }
    const Snapshot& rows() const { return m_rows; }

    struct RowTexts {
        QString name; // with its extension even where the display name hides it
        QString path;
        QString size;
        QString type;
        QString modified;
        QString nom; // the stored name
        qint64 numId = -1;
    };
    // The texts of the current row of rows().
    RowTexts currentTexts() const;

    // The shown name: the display name, with the name's extension appended when it lacks it.
    static QString shownName(const QString& displayName, const QString& nom);
    static QString sizeText(const QVariant& taille);
    static QString dateText(const QVariant& modifie);

private:
    bool applySort();

    Snapshot m_base; // as the query gave it
    Snapshot m_rows;
    QHash<int, Snapshot> m_sorted; // by column * 2 + descending
    int m_sortColumn = ColNom;
    bool m_descending = false;
    double m_totalSize = 0;
    int m_folder = -1, m_nom = -1, m_numId = -1, m_taille = -1, m_type = -1, m_modifie = -1;
};

} // namespace vambrel
