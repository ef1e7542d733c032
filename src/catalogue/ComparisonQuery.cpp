#include "ComparisonQuery.h"

#include "CatalogueReader.h"
#include "PathSyntax.h"

namespace vambrel {

QString ComparisonQuerySql() {
    // The full path is not selected: it is derived from the folder and the name when needed,
    // which keeps a million rows in half the memory.
    return QStringLiteral("SELECT Files.NumId, Files.Nom, Files.Taille, Files.\"Modifié\", Folders.Nom, "
                          "Version.\"Produit Version\"\n"
                          "FROM (Files INNER JOIN Folders ON Files.Num = Folders.Num)"
                          " LEFT JOIN Version ON Files.NumId = Version.NumId");
}

QList<SortColumn> ComparisonQueryOrder() {
    return {{QStringLiteral("Folders.Nom"), SortKind::Name}, {QStringLiteral("Files.Nom"), SortKind::Name}};
}

Result<Snapshot> OpenComparisonQuery(const Database& db, const StopFlag* stop) {
    auto rows = ReadFilesInParts(db, ComparisonQuerySql(), stop);
    if (!rows)
        return rows;
    return rows->sorted(ComparisonQueryOrder(), stop);
}

Result<qint64> ComparisonQueryCount(const Database& db) {
    const QString sql = ComparisonQuerySql();
    auto count = Snapshot::open(db, QStringLiteral("SELECT COUNT(*) ") +
                                        sql.mid(sql.indexOf(QStringLiteral("FROM "))));
    if (!count)
        return Result<qint64>::failure(count.error());
    if (!count->moveFirst())
        return Result<qint64>::failure(QStringLiteral("Le nombre de fichiers n'a pas pu être lu."));
    return count->value(0).toLongLong();
}

QString ComparisonPath(const Snapshot& rows) {
    static const int noField = -1;
    const int folder = rows.fieldIndex(u"Folders.Nom");
    const int name = rows.fieldIndex(u"Files.Nom");
    if (folder == noField || name == noField || !rows.hasCurrent())
        return {};
    return JoinPath(rows.text(folder), rows.text(name));
}

} // namespace vambrel
