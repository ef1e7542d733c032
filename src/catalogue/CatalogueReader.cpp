#include "CatalogueReader.h"

#include "CatalogueSchema.h"
#include "PathSyntax.h"
#include "TextFormat.h"

namespace vambrel {

const char* const kVersionFields[14] = {"Organisation",
                                        "Description",
                                        "Version",
                                        "Nom interne",
                                        "Copyright",
                                        "Nom d'origine",
                                        "Nom du produit",
                                        "Version du produit",
                                        "Version du fichier",
                                        "Produit Version",
                                        "OS",
                                        "Type",
                                        "Sous-type",
                                        "Attribut"};

namespace {

QString missingFields() {
    return QStringLiteral("Les champs attendus sont introuvables dans le catalogue.");
}

} // namespace

// ---- folders ----

Result<FolderRows> FolderRows::open(const Database& db, const StopFlag* stop) {
    auto rows = Snapshot::open(db, QStringLiteral("SELECT Folders.Num, Folders.Nom FROM Folders"), {},
                               {{QStringLiteral("Folders.Nom")}}, stop);
    if (!rows)
        return Result<FolderRows>::failure(rows.error());
    FolderRows folders;
    folders.m_rows = std::move(rows.value());
    folders.m_num = folders.m_rows.fieldIndex(u"Folders.Num");
    folders.m_nom = folders.m_rows.fieldIndex(u"Folders.Nom");
    if (folders.m_num < 0 || folders.m_nom < 0)
        return Result<FolderRows>::failure(missingFields());
    return folders;
}

// ---- files ----

Result<FileRows> FileRows::over(Snapshot rows) {
    FileRows files;
    files.m_rows = std::move(rows);
    files.m_numId = files.m_rows.fieldIndex(u"Files.NumId");
    files.m_nom = files.m_rows.fieldIndex(u"Files.Nom");
    files.m_taille = files.m_rows.fieldIndex(u"Files.Taille");
    files.m_type = files.m_rows.fieldIndex(u"Files.Type");
    files.m_modifie = files.m_rows.fieldIndex(u"Files.Modifié");
    if (files.m_numId < 0 || files.m_nom < 0 || files.m_taille < 0 || files.m_type < 0 || files.m_modifie < 0)
        return Result<FileRows>::failure(missingFields());
    return files;
}

Result<FileRows> FileRows::ofFolder(const Database& db, qint64 num) {
    auto rows = Snapshot::open(db,
                               QStringLiteral("SELECT Files.NumId, Files.Nom, Files.Taille, Files.Type, "
                                              "Files.\"Modifié\" FROM Files WHERE Files.Num = ?1"),
                               {num}, {{QStringLiteral("Files.Nom")}});
    if (!rows)
        return Result<FileRows>::failure(rows.error());
    return over(std::move(rows.value()));
}

bool FileRows::findNumId(qint64 numId) {
    return m_rows.findFirst(u"Files.NumId", numId);
}

// ---- flat listing ----

// Every file with its folder, Null for a missing folder. Written from the side of Files: the same
// rows as Folders RIGHT JOIN Files, read in file order, which SQLite does markedly faster.
QString ListingRows::querySql() {
    return QStringLiteral(
        "SELECT Folders.Nom, Files.Nom AS Nom, Files.NumId, Files.Taille, Files.Modifié, Files.Type "
        "FROM Files LEFT JOIN Folders ON Folders.Num = Files.Num ");
}

QList<SortColumn> ListingRows::sortOrder(int column, bool descending) {
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

Result<ListingRows> ListingRows::open(const Database& db, const StopFlag* stop) {
    auto result = Snapshot::open(db, querySql(), {}, {}, stop);
    if (!result)
        return Result<ListingRows>::failure(result.error());
    ListingRows listing;
    listing.m_rows = std::move(result.value());
    Snapshot& rows = listing.m_rows;
    listing.m_folder = rows.fieldIndex(u"Folders.Nom");
    listing.m_nom = rows.fieldIndex(u"Files.Nom");
    listing.m_numId = rows.fieldIndex(u"Files.NumId");
    listing.m_taille = rows.fieldIndex(u"Files.Taille");
    listing.m_type = rows.fieldIndex(u"Files.Type");
    listing.m_modifie = rows.fieldIndex(u"Files.Modifié");
    if (listing.m_folder < 0 || listing.m_nom < 0 || listing.m_numId < 0 || listing.m_taille < 0 ||
        listing.m_type < 0 || listing.m_modifie < 0)
        return Result<ListingRows>::failure(QStringLiteral("Les champs de la liste sont introuvables."));
    double total = 0;
    for (bool more = rows.moveFirst(); more; more = rows.moveNext())
        total += rows.value(listing.m_taille).toDouble();
    listing.m_totalSize = total;
    rows.moveFirst();
    return listing;
}

Result<ListingRows> ListingRows::sorted(int column, bool descending, const StopFlag* stop) const {
    const QList<SortColumn> order = sortOrder(column, descending);
    if (order.isEmpty() || !isValid())
        return Result<ListingRows>::failure(QStringLiteral("Impossible de trier la liste."));
    auto rows = m_rows.sorted(order, stop);
    if (!rows)
        return Result<ListingRows>::failure(rows.error());
    ListingRows copy = *this;
    copy.m_rows = std::move(rows.value());
    return copy;
}

ListingRows ListingRows::clone() const {
    ListingRows copy = *this;
    copy.m_rows = m_rows.clone();
    return copy;
}

// ---- properties and single rows ----

Result<QString> CatalogueReader::origine() const {
    const auto origin = m_db.property(Schema::kOrigine);
    if (!origin)
        return Result<QString>::failure(origin.error());
    if (!origin.value())
        return Result<QString>::failure(QStringLiteral("Le catalogue n'a pas de propriété Origine."));
    return origin.value()->value.toString();
}

QStringList CatalogueReader::startFolders() const {
    const auto source = m_db.property(Schema::kSource);
    if (!source.ok() || !source.value())
        return {};
    QStringList folders = SplitStartFolders(source.value()->value.toString());
    folders.removeAll(QString());
    return folders;
}

QString CatalogueReader::propertyText(const QString& name) const {
    const auto p = m_db.property(name);
    if (!p.ok() || !p.value())
        return {};
    const QVariant& v = p.value()->value;
    if (p.value()->type == PropertyType::Date)
        return GeneralDateText(v.toDateTime());
    return v.toString();
}

Result<CatalogueReader::FileTotals> CatalogueReader::fileTotals() const {
    auto sums = Snapshot::open(m_db, QStringLiteral("SELECT count(*), total(Taille) FROM Files"));
    if (!sums)
        return Result<FileTotals>::failure(sums.error());
    FileTotals totals;
    if (sums->moveFirst()) {
        totals.files = sums->value(0).toLongLong();
        totals.size = sums->value(1).toDouble();
    }
    return totals;
}

Result<std::optional<VersionTexts>> CatalogueReader::versionOf(qint64 numId) const {
    using Answer = Result<std::optional<VersionTexts>>;
    QString fields;
    for (const char* field : kVersionFields) {
        if (!fields.isEmpty())
            fields += QStringLiteral(", ");
        fields += QLatin1Char('"') +
                  QString::fromUtf8(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                  QLatin1Char('"');
    }
    auto row = Snapshot::open(
        m_db, QStringLiteral("SELECT ") + fields + QStringLiteral(" FROM Version WHERE NumId = ?1"), {numId});
    if (!row)
        return Answer::failure(row.error());
    if (!row->moveFirst())
        return std::optional<VersionTexts>();
    VersionTexts texts;
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = row->text(int(i));
    return std::optional<VersionTexts>(texts);
}

} // namespace vambrel
