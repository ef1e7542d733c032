#include "ListingReport.h"

#include "CatalogueReader.h"
#include "CatalogueSchema.h"

#include <QtNumeric>
#include <limits>

namespace vambrel {

namespace {

QString missingFields() {
    return QStringLiteral("Les champs attendus sont introuvables dans le catalogue.");
}

// A damaged catalogue can hold sizes whose sum leaves 64 bits: the sum then stays at the bound.
qint64 addSize(qint64 sum, qint64 size) {
    qint64 result = 0;
    if (qAddOverflow(sum, size, &result))
        return size > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return result;
}

} // namespace

// Ordered in memory (by folder name, then file name) rather than by ORDER BY: the same order, much
// faster on a large catalogue.
QString ListingReport::detailSql(int folderFilter) {
    return QStringLiteral("SELECT Folders.Nom, Folders.Num, Files.Nom, Files.Taille, Files.\"Modifié\", "
                          "Files.Type, Version.\"Produit Version\" ") +
           (folderFilter == NonEmptyFolders
                ? QStringLiteral("FROM (Files LEFT JOIN Folders ON Files.Num = Folders.Num) ")
                : QStringLiteral("FROM (Files RIGHT JOIN Folders ON Files.Num = Folders.Num) ")) +
           QStringLiteral("LEFT JOIN Version ON Files.NumId = Version.NumId");
}

QString ListingReport::totalsSql(int folderFilter) {
    return QStringLiteral("SELECT Folders.Nom, Folders.Num, Count(Files.Nom) AS NbreFichiers, "
                          "Sum(Files.Taille) AS TailleDossier ") +
           (folderFilter == NonEmptyFolders
                ? QStringLiteral("FROM Files LEFT JOIN Folders ON Files.Num = Folders.Num ")
                : QStringLiteral("FROM Files RIGHT JOIN Folders ON Files.Num = Folders.Num ")) +
           QStringLiteral("GROUP BY Folders.Nom, Folders.Num");
}

Result<ListingReport> ListingReport::open(const Database& db, int folderFilter) {
    ListingReport report;
    report.m_filter = folderFilter == NonEmptyFolders ? NonEmptyFolders : AllFolders;

    auto detail = Snapshot::open(db, detailSql(report.m_filter), {},
                                 {{QStringLiteral("Folders.Nom")}, {QStringLiteral("Files.Nom")}});
    if (!detail)
        return Result<ListingReport>::failure(detail.error());
    Snapshot& d = detail.value();
    const int dFolder = d.fieldIndex(u"Folders.Nom");
    const int dNum = d.fieldIndex(u"Folders.Num");
    report.m_nom = d.fieldIndex(u"Files.Nom");
    report.m_taille = d.fieldIndex(u"Files.Taille");
    report.m_modifie = d.fieldIndex(u"Files.Modifié");
    report.m_type = d.fieldIndex(u"Files.Type");
    report.m_version = d.fieldIndex(u"Version.Produit Version");
    if (dFolder < 0 || dNum < 0 || report.m_nom < 0 || report.m_taille < 0 || report.m_modifie < 0 ||
        report.m_type < 0 || report.m_version < 0)
        return Result<ListingReport>::failure(missingFields());

    // One pass over the detail rows, ordered by folder: each folder's totals (what the totals
    // query counts and sums) and where its files begin, without grouping a million rows again.
    Folder* folder = nullptr;
    for (bool more = d.moveFirst(); more; more = d.moveNext()) {
        // A file without a folder holds no line of the report.
        if (d.isNull(dNum))
            continue;
        const qint64 num = d.value(dNum).toLongLong();
        if (!folder || folder->num != num) {
            Folder f;
            f.num = num;
            f.nom = d.text(dFolder);
            report.m_folders.push_back(std::move(f));
            folder = &report.m_folders.back();
        }
        if (!d.isNull(report.m_taille))
            folder->size = addSize(folder->size, d.value(report.m_taille).toLongLong());
        // The row of an empty folder holds no file.
        if (d.isNull(report.m_nom))
            continue;
        if (folder->rowCount == 0)
            folder->firstRow = d.absolutePosition();
        ++folder->rowCount;
        ++folder->files;
    }
    for (const Folder& f : report.m_folders) {
        report.m_totalFiles += f.files;
        report.m_totalSize = addSize(report.m_totalSize, f.size);
    }
    report.m_detail = std::move(d);

    const CatalogueReader reader(db);
    report.m_fileName = db.path().mid(db.path().lastIndexOf(QLatin1Char('/')) + 1);
    report.m_created = reader.propertyText(Schema::kDateCreation);
    report.m_source = reader.propertyText(Schema::kSource);
    report.m_mask = reader.propertyText(Schema::kMasque);
    return report;
}

std::vector<qint64> ListingReport::fileCounts() const {
    std::vector<qint64> counts;
    counts.reserve(m_folders.size());
    for (const Folder& f : m_folders)
        counts.push_back(f.files);
    return counts;
}

bool ListingReport::file(qint64 folderIndex, qint64 index, File* out) const {
    if (folderIndex < 0 || folderIndex >= folderCount())
        return false;
    const Folder& f = m_folders[size_t(folderIndex)];
    if (index < 0 || index >= f.rowCount || !m_detail.setAbsolutePosition(f.firstRow + index))
        return false;
    out->nom = m_detail.text(m_nom);
    out->taille = m_detail.value(m_taille);
    out->modifie = m_detail.value(m_modifie);
    out->type = m_detail.text(m_type);
    out->produitVersion = m_detail.value(m_version);
    return true;
}

QString ListingReport::title(bool computerListing) const {
    const QString head = computerListing ? QStringLiteral("Poste de travail du ") + m_created
                                         : m_fileName + QStringLiteral(", créé le ") + m_created;
    return head + QStringLiteral(", source: ") + m_source + QStringLiteral(", masque: ") + m_mask;
}

} // namespace vambrel
