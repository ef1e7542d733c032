#include "NewFileRows.h"

namespace vambrel {

QList<SortColumn> NewFileRows::order(Key key, bool descending) {
    const SortColumn name{QStringLiteral("Files.Nom"), SortKind::Name, key == ByName && descending};
    const SortColumn folder{QStringLiteral("Folders.Nom"), SortKind::Name, key == ByFolder && descending};
    return key == ByName ? QList<SortColumn>{name, folder} : QList<SortColumn>{folder, name};
}

Result<NewFileRows> NewFileRows::wrap(Result<Snapshot> snapshot) {
    if (!snapshot)
        return Result<NewFileRows>::failure(snapshot.error());
    NewFileRows r;
    r.m_rows = std::move(snapshot.value());
    r.m_folder = r.m_rows.fieldIndex(u"Folders.Nom");
    r.m_nom = r.m_rows.fieldIndex(u"Files.Nom");
    r.m_numId = r.m_rows.fieldIndex(u"Files.NumId");
    if (r.m_folder < 0 || r.m_nom < 0 || r.m_numId < 0)
        return Result<NewFileRows>::failure(QStringLiteral("La liste des fichiers nouveaux est incomplète."));
    r.m_rows.moveFirst();
    return r;
}

Result<NewFileRows> NewFileRows::open(const Database& db, Key key, bool descending) {
    // Every file is kept, with or without its folder; the order is made in memory with the
    // catalogue's name ordering.
    const QString sql = QStringLiteral("SELECT Folders.Nom, Files.Nom, Files.NumId "
                                       "FROM Files LEFT JOIN Folders ON Folders.Num = Files.Num");
    return wrap(Snapshot::open(db, sql, {}, order(key, descending)));
}

Result<NewFileRows> NewFileRows::resorted(Key key, bool descending) const {
    // A file's name and folder together are unique, so the order of ties, which sorted() takes
    // from the current order, never shows.
    return wrap(m_rows.sorted(order(key, descending)));
}

} // namespace vambrel
