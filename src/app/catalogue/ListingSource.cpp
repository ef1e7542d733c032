#include "ListingSource.h"

#include "FileTime.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "TextFormat.h"

namespace vambrel {

// Every file with its folder, Null for a missing folder. Written from the side of Files: the same
// rows as Folders RIGHT JOIN Files, read in file order, which SQLite does markedly faster.
QString ListingSource::querySql() {
    return QStringLiteral(
        "SELECT Folders.Nom, Files.Nom AS Nom, Files.NumId, Files.Taille, Files.Modifié, Files.Type "
        "FROM Files LEFT JOIN Folders ON Folders.Num = Files.Num ");
}

QList<SortColumn> ListingSource::sortOrder(int column, bool descending) {
    const QString folder = QStringLiteral("Folders.Nom");
    const QString name = QStringLiteral("Files.Nom");
    switch (column) {
    case ColNom:
        return {{name, SortKind::Name, descending}, {folder, SortKind::Name, false}};
    case ColChemin:
        return {{folder, SortKind::Name, descending}, {name, SortKind::Name, false}};
    case ColTaille:
        return {{QStringLiteral("Files.Taille"), SortKind::Value, descending}, {name, SortKind::Name, false}};
    case ColType:
        return {{QStringLiteral("Files.Type"), SortKind::Name, descending}, {name, SortKind::Name, false}};
    case ColModifie:
        return {{QStringLiteral("Files.Modifié"), SortKind::Value, descending},
                {name, SortKind::Name, false}};
    default:
        return {};
    }
}

bool ListingSource::open(const Database& db, QString* error) {
    auto result = Snapshot::open(db, querySql());
    if (!result) {
        if (error)
            *error = result.error();
        return false;
    }
    Snapshot base = std::move(result.value());
    m_folder = base.fieldIndex(u"Folders.Nom");
    m_nom = base.fieldIndex(u"Files.Nom");
    m_numId = base.fieldIndex(u"Files.NumId");
    m_taille = base.fieldIndex(u"Files.Taille");
    m_type = base.fieldIndex(u"Files.Type");
    m_modifie = base.fieldIndex(u"Files.Modifié");
    if (m_folder < 0 || m_nom < 0 || m_numId < 0 || m_taille < 0 || m_type < 0 || m_modifie < 0) {
        if (error)
            *error = QStringLiteral("Les champs de la liste sont introuvables.");
        return false;
    }
    // The one full pass: the total size.
    double total = 0;
    for (bool more = base.moveFirst(); more; more = base.moveNext())
        total += base.value(m_taille).toDouble();
    m_base = std::move(base);
    m_sorted.clear();
    m_totalSize = total;
    if (!applySort()) {
        m_base = Snapshot();
        if (error)
            *error = QStringLiteral("Impossible de trier la liste.");
        return false;
    }
    return true;
}

// Orders already made are kept: each costs a position per row, and a column clicked again comes
// back at once.
bool ListingSource::applySort() {
    const int key = m_sortColumn * 2 + (m_descending ? 1 : 0);
    auto cached = m_sorted.constFind(key);
    if (cached == m_sorted.constEnd()) {
        const QList<SortColumn> order = sortOrder(m_sortColumn, m_descending);
        if (order.isEmpty()) {
            cached = m_sorted.insert(key, m_base.clone());
        } else {
            auto sorted = m_base.sorted(order);
            if (!sorted)
                return false;
            cached = m_sorted.insert(key, std::move(sorted.value()));
        }
    }
    m_rows = cached->clone();
    m_rows.moveFirst();
    return true;
}

bool ListingSource::sortByColumn(int column) {
    if (!isOpen() || rowCount() == 0 || column < 0 || column >= ColumnCount)
        return false;
    if (column == m_sortColumn) {
        m_descending = !m_descending;
    } else {
        m_sortColumn = column;
        m_descending = false;
    }
    return applySort();
}

ListingSource::RowTexts ListingSource::currentTexts() const {
    RowTexts t;
    if (!m_rows.hasCurrent())
        return t;
    t.nom = m_rows.text(m_nom);
    t.name = shownName(DisplayName(t.nom), t.nom);
    t.path = DisplayName(m_rows.text(m_folder));
    t.size = sizeText(m_rows.value(m_taille));
    t.type = m_rows.text(m_type);
    t.modified = dateText(m_rows.value(m_modifie));
    t.numId = m_rows.value(m_numId).toLongLong();
    return t;
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
