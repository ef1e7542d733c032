#pragma once

#include "CatalogueReader.h"
#include "controls/PagedRowSource.h"

#include <QHash>
#include <QString>
#include <functional>

namespace vambrel {

// The rows of the flat file list: every file of a catalogue with its folder, read once, then
// ordered in memory by one column in either direction. Serves the list page by page.
class ListingSource : public PagedRowSource {
public:
    using Column = ListingRows::Column;
    static constexpr int ColNom = ListingRows::ColNom;
    static constexpr int ColumnCount = ListingRows::ColumnCount;

    // Runs the query, orders it by the current sort, sums the sizes; the rows rest on the first.
    bool open(const Database& db, QString* error);

    // The same in two halves: load() does the reading and the sort without touching the source
    // (on any thread, stopped by `stop`), adopt() takes its rows on the source's thread.
    struct Loaded {
        ListingRows base;
        ListingRows rows;
        int column = ListingRows::ColNom;
        bool descending = false;
    };
    // `folders` are the catalogue's folders as FolderRows::open reads them.
    static Result<Loaded> load(const Database& db, const FolderRows& folders, int column, bool descending,
                               const StopFlag* stop);
    void adopt(Loaded loaded);
    void close();
    bool isOpen() const { return m_base.isValid(); }

    int sortColumn() const { return m_sortColumn; }
    bool descending() const { return m_descending; }
    // A column click: the sort column flips its order, another column sorts ascending. Nothing
    // happens (false) when there are no rows or no such column.
    bool sortByColumn(int column);

    struct SortChoice {
        int column = ListingRows::ColNom;
        bool descending = false;
    };
    // The sort that a click on `column` asks for, from `current`.
    static SortChoice clickedSort(SortChoice current, int column);
    SortChoice sort() const { return {m_sortColumn, m_descending}; }
    // Shows an order made before, at once; false when it has not been made yet.
    bool showCachedSort(SortChoice choice);
    // The rows as read, to sort elsewhere (ListingRows::sorted), then adoptSort() on this thread.
    const ListingRows& baseRows() const { return m_base; }
    void adoptSort(SortChoice choice, ListingRows sorted);

    double totalSize() const { return m_base.totalSize(); }
    // filesRs: the ordered rows.
    ListingRows& rows() { return m_rows; }
    const ListingRows& rows() const { return m_rows; }

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

    // The icon of a file's type by its stored name; none when unset.
    void setIconProvider(std::function<QIcon(const QString& nom)> provider) { m_icon = std::move(provider); }

    // PagedRowSource
    qint64 rowCount() const override { return m_rows.isValid() ? m_rows.rows().recordCount() : 0; }
    QStringList headers() const override;
    QList<int> rightAlignedColumns() const override { return {ListingRows::ColTaille}; }
    Row row(qint64 position) override;
    void restAt(qint64 position) override;

    // The shown name: the display name, with the name's extension appended when it lacks it.
    static QString shownName(const QString& displayName, const QString& nom);
    static QString sizeText(const QVariant& taille);
    static QString dateText(const QVariant& modifie);

private:
    bool applySort();

    ListingRows m_base; // as the query gave it
    ListingRows m_rows;
    QHash<int, ListingRows> m_sorted; // by column * 2 + descending
    int m_sortColumn = ListingRows::ColNom;
    bool m_descending = false;
    std::function<QIcon(const QString&)> m_icon;
};

} // namespace vambrel
