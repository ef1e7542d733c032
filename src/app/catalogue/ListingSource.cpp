#include "ListingSource.h"

#include "FileTime.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "TextFormat.h"

namespace vambrel {

bool ListingSource::open(const Database& db, QString* error) {
    auto result = ListingRows::open(db);
    if (!result) {
        if (error)
            *error = result.error();
        return false;
    }
    m_base = std::move(result.value());
    m_sorted.clear();
    if (!applySort()) {
        m_base = ListingRows();
        m_rows = ListingRows();
        if (error)
            *error = QStringLiteral("Impossible de trier la liste.");
        return false;
    }
    return true;
}

Result<ListingSource::Loaded> ListingSource::load(const Database& db, const FolderRows& folders, int column,
                                                  bool descending, const StopFlag* stop) {
    auto base = ListingRows::open(db, folders, stop);
    if (!base)
        return Result<Loaded>::failure(base.error());
    auto rows = base.value().sorted(column, descending, stop);
    if (!rows)
        return Result<Loaded>::failure(StopRequested(stop) ? rows.error()
                                                           : QStringLiteral("Impossible de trier la liste."));
    Loaded loaded;
    loaded.base = std::move(base.value());
    loaded.rows = std::move(rows.value());
    loaded.column = column;
    loaded.descending = descending;
    return loaded;
}

void ListingSource::adopt(Loaded loaded) {
    m_base = std::move(loaded.base);
    m_sorted.clear();
    m_sortColumn = loaded.column;
    m_descending = loaded.descending;
    m_sorted.insert(m_sortColumn * 2 + (m_descending ? 1 : 0), loaded.rows);
    m_rows = std::move(loaded.rows);
    m_rows.rows().moveFirst();
}

void ListingSource::close() {
    m_base = ListingRows();
    m_rows = ListingRows();
    m_sorted.clear();
}

ListingSource::SortChoice ListingSource::clickedSort(SortChoice current, int column) {
    if (column == current.column)
        return {column, !current.descending};
    return {column, false};
}

bool ListingSource::showCachedSort(SortChoice choice) {
    const auto cached = m_sorted.constFind(choice.column * 2 + (choice.descending ? 1 : 0));
    if (cached == m_sorted.constEnd())
        return false;
    m_sortColumn = choice.column;
    m_descending = choice.descending;
    m_rows = cached->clone();
    m_rows.rows().moveFirst();
    return true;
}

void ListingSource::adoptSort(SortChoice choice, ListingRows sorted) {
    m_sorted.insert(choice.column * 2 + (choice.descending ? 1 : 0), std::move(sorted));
    showCachedSort(choice);
}

// Orders already made are kept: each costs a position per row, and a column clicked again comes
// back at once.
bool ListingSource::applySort() {
    const int key = m_sortColumn * 2 + (m_descending ? 1 : 0);
    auto cached = m_sorted.constFind(key);
    if (cached == m_sorted.constEnd()) {
        auto sorted = m_base.sorted(m_sortColumn, m_descending);
        if (!sorted)
            return false;
        cached = m_sorted.insert(key, std::move(sorted.value()));
    }
    m_rows = cached->clone();
    m_rows.rows().moveFirst();
    return true;
}

bool ListingSource::sortByColumn(int column) {
    if (!isOpen() || rowCount() == 0 || column < 0 || column >= ColumnCount)
        return false;
    const SortChoice next = clickedSort(sort(), column);
    m_sortColumn = next.column;
    m_descending = next.descending;
    return applySort();
}

ListingSource::RowTexts ListingSource::currentTexts() const {
    RowTexts t;
    if (!m_rows.isValid() || !m_rows.rows().hasCurrent())
        return t;
    t.nom = m_rows.nom();
    t.name = shownName(DisplayName(t.nom), t.nom);
    t.path = DisplayName(m_rows.folder());
    t.size = sizeText(m_rows.taille());
    t.type = m_rows.type();
    t.modified = dateText(m_rows.modifie());
    t.numId = m_rows.numId();
    return t;
}

QStringList ListingSource::headers() const {
    return {QStringLiteral("Nom"), QStringLiteral("Chemin"), QStringLiteral("Taille"), QStringLiteral("Type"),
            QStringLiteral("Modifié")};
}

PagedRowSource::Row ListingSource::row(qint64 position) {
    Row r;
    if (!m_rows.isValid() || !m_rows.rows().setAbsolutePosition(position))
        return r;
    const RowTexts t = currentTexts();
    r.texts = {t.name, t.path, t.size, t.type, t.modified};
    r.key = t.numId;
    if (m_icon)
        r.icon = m_icon(t.nom);
    return r;
}

void ListingSource::restAt(qint64 position) {
    if (m_rows.isValid())
        m_rows.rows().setAbsolutePosition(position);
}

QString ListingSource::shownName(const QString& displayName, const QString& nom) {
    const QString ext = GetExtension(nom).toLower();
    if (ext.isEmpty() || displayName.toLower().endsWith(ext))
        return displayName;
    return displayName + ext;
}

QString ListingSource::sizeText(const QVariant& taille) {
    return taille.isNull() ? QString() : GroupedNumberText(taille.toLongLong());
}

QString ListingSource::dateText(const QVariant& modifie) {
    return modifie.isNull() ? QString() : GeneralDateText(DateFromText(modifie.toString()));
}

} // namespace vambrel
