#include "CatalogueConversion.h"

#include "CatalogueSchema.h"
#include "PathSyntax.h"
#include "Snapshot.h"

#include <QSet>
#include <QStringList>

namespace vambrel {

bool CatalogueConversion::needsConversion(const Database& db) {
    const auto version = db.property(Schema::kVersionId);
    return version.ok() && (!version.value() || version.value()->value.toString().isEmpty());
}

Result<QString> CatalogueConversion::sourceOf(const Database& db) {
    auto folders =
        Snapshot::open(db, QStringLiteral("SELECT Folders.Nom, length(Nom) AS Expr1 FROM Folders"), {},
                       {{QStringLiteral("Expr1"), SortKind::Value}, {QStringLiteral("Folders.Nom")}});
    if (!folders)
        return Result<QString>::failure(folders.error());
    Snapshot& rs = folders.value();
    if (!rs.moveFirst())
        return Result<QString>::failure(QStringLiteral("Le catalogue ne contient aucun répertoire."));

    const auto origin = db.property(Schema::kOrigine);
    const bool wholeComputer =
        origin.ok() && origin.value() && origin.value()->value.toString() == kWholeComputerOrigin;
    if (!wholeComputer)
        return rs.text(0);

    // Shortest first, so a folder's parent is always seen before it.
    QSet<QString> seen;
    QStringList drives;
    for (; !rs.eof(); rs.moveNext()) {
        const QString nom = rs.text(0);
        seen.insert(nom);
        const qsizetype cut = nom.lastIndexOf(QLatin1Char('/'));
        const QString parent =
            cut > 0 ? nom.left(cut) : (cut == 0 && nom.size() > 1 ? QStringLiteral("/") : QString());
        if (parent.isEmpty() || !seen.contains(parent))
            drives << nom;
    }
    return JoinStartFolders(drives);
}

bool CatalogueConversion::convert(Database& db, const QString& programVersion, QString* error) {
    auto fail = [&](const QString& message) {
        if (db.inTransaction())
            db.rollback();
        if (error)
            *error = message;
        return false;
    };
    if (!db.isOpen() || db.isReadOnly())
        return fail(QStringLiteral("Le catalogue ne peut pas être modifié."));
    const auto source = sourceOf(db);
    if (!source)
        return fail(source.error());
    if (!db.beginTransaction())
        return fail(db.lastError());
    // Placeholders first, then the values, as a build does.
    for (const QString& name : {Schema::kVersionId, Schema::kSource}) {
        const auto existing = db.property(name);
        if (!existing)
            return fail(existing.error());
        if (!existing.value() && !db.createProperty(name, PropertyType::Text, Schema::kUndetermined))
            return fail(db.lastError());
    }
    if (!db.setProperty(Schema::kVersionId, programVersion) ||
        !db.setProperty(Schema::kSource, source.value()) || !db.commit())
        return fail(db.lastError());
    return true;
}

} // namespace vambrel
