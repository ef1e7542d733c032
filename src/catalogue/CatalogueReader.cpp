#include "CatalogueReader.h"

#include "CatalogueSchema.h"
#include "PathSyntax.h"
#include "SortKey.h"
#include "SqliteStatement.h"
#include "TextFormat.h"

#include <algorithm>
#include <limits>

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

// Two parts by rowid, read at once on two connections when the table is large: the rows and the
// order of one reading (a rowid range is read in rowid order, as the whole table is).
Result<Snapshot> ReadFilesInParts(const Database& db, const QString& sql, const StopFlag* stop) {
    constexpr qint64 kPartsAbove = 65'536; // rowids: fewer rows are read faster than a connection opens
    qint64 low = 0, high = 0;
    {
        // A column named like the rowid would hide it.
        SqliteStatement shadow(db.handle(), "SELECT 1 FROM pragma_table_info('Files') WHERE name = '_rowid_' "
                                            "COLLATE NOCASE");
        SqliteStatement range(db.handle(), "SELECT min(_rowid_), max(_rowid_) FROM Files");
        if (!shadow.isValid() || shadow.step() != SQLITE_DONE || !range.isValid() ||
            range.step() != SQLITE_ROW || sqlite3_column_type(range.get(), 0) != SQLITE_INTEGER)
            return Snapshot::open(db, sql, {}, {}, stop);
        low = sqlite3_column_int64(range.get(), 0);
        high = sqlite3_column_int64(range.get(), 1);
    }
    Database second;
    if (high / 2 - low / 2 <= kPartsAbove / 2 || !second.open(db.path(), OpenMode::ReadOnly))
        return Snapshot::open(db, sql, {}, {}, stop);
    const qint64 middle = low / 2 + high / 2;
    return Snapshot::openParts(
        {&db, &second}, sql + QStringLiteral(" WHERE Files._rowid_ BETWEEN ?1 AND ?2"),
        {{std::numeric_limits<qint64>::min(), middle}, {middle + 1, std::numeric_limits<qint64>::max()}},
        stop);
}

namespace {

// The files alone, in the order of the query above: the join adds nothing to the scan of Files.
QString filesSql() {
    return QStringLiteral("SELECT Files.Num, Files.Nom AS Nom, Files.NumId, Files.Taille, Files.Modifié, "
                          "Files.Type FROM Files");
}

} // namespace

// The folders of the files read alone: their paths in FolderRows' order, found by number.
struct ListingRows::Folders {
    Snapshot paths;                                     // FolderRows' rows, ordered by path
    int nom = -1;                                       // the path's field in them
    std::vector<std::pair<qint64, uint32_t>> byNum;     // folder number -> position, by number
    std::shared_ptr<const std::vector<uint32_t>> ranks; // by file row as read: 0 missing, then by path

    // Position of the folder of this number in `paths`, or -1.
    qint64 find(qint64 num) const {
        const auto it = std::lower_bound(byNum.begin(), byNum.end(), std::pair<qint64, uint32_t>(num, 0));
        return it != byNum.end() && it->first == num ? qint64(it->second) : -1;
    }
};

Result<ListingRows> ListingRows::read(const Database& db, const QString& sql, const StopFlag* stop) {
    return fromRows(Snapshot::open(db, sql, {}, {}, stop));
}

Result<ListingRows> ListingRows::fromRows(Result<Snapshot> result) {
    if (!result)
        return Result<ListingRows>::failure(result.error());
    ListingRows listing;
    listing.m_rows = std::move(result.value());
    Snapshot& rows = listing.m_rows;
    listing.m_folder = rows.fieldIndex(u"Folders.Nom");
    listing.m_num = rows.fieldIndex(u"Files.Num");
    listing.m_nom = rows.fieldIndex(u"Files.Nom");
    listing.m_numId = rows.fieldIndex(u"Files.NumId");
    listing.m_taille = rows.fieldIndex(u"Files.Taille");
    listing.m_type = rows.fieldIndex(u"Files.Type");
    listing.m_modifie = rows.fieldIndex(u"Files.Modifié");
    if ((listing.m_folder < 0 && listing.m_num < 0) || listing.m_nom < 0 || listing.m_numId < 0 ||
        listing.m_taille < 0 || listing.m_type < 0 || listing.m_modifie < 0)
        return Result<ListingRows>::failure(QStringLiteral("Les champs de la liste sont introuvables."));
    double total = 0;
    for (bool more = rows.moveFirst(); more; more = rows.moveNext())
        total += rows.value(listing.m_taille).toDouble();
    listing.m_totalSize = total;
    rows.moveFirst();
    return listing;
}

Result<ListingRows> ListingRows::open(const Database& db, const StopFlag* stop) {
    auto folders = FolderRows::open(db, stop);
    if (!folders) {
        if (StopRequested(stop))
            return Result<ListingRows>::failure(folders.error());
        // The join says what is wrong with the folders, or lists the files without them.
        return read(db, querySql(), stop);
    }
    return open(db, folders.value(), stop);
}

Result<ListingRows> ListingRows::open(const Database& db, const FolderRows& folderRows,
                                      const StopFlag* stop) {
    // The folders by number, and each one's rank among the paths (equal paths share it).
    auto folders = std::make_shared<Folders>();
    folders->paths = folderRows.rows().clone();
    folders->nom = folders->paths.fieldIndex(u"Folders.Nom");
    const int num = folders->paths.fieldIndex(u"Folders.Num");
    bool byNumber = folders->nom >= 0 && num >= 0;
    std::vector<uint32_t> pathRanks;
    Snapshot& paths = folders->paths;
    uint32_t rank = 0;
    QString previous;
    for (bool more = byNumber && paths.moveFirst(); more; more = paths.moveNext()) {
        const QVariant n = paths.value(num);
        if (n.metaType().id() != QMetaType::LongLong && !n.isNull()) {
            byNumber = false;
            break;
        }
        const QVariant path = paths.value(folders->nom);
        if (path.isNull()) {
            pathRanks.push_back(0);
        } else {
            const QString text = path.toString();
            if (rank == 0 || CompareNames(previous, text) != 0)
                ++rank;
            pathRanks.push_back(rank);
            previous = text;
        }
        if (!n.isNull())
            folders->byNum.emplace_back(n.toLongLong(), uint32_t(paths.absolutePosition()));
    }
    std::sort(folders->byNum.begin(), folders->byNum.end());
    for (size_t i = 1; byNumber && i < folders->byNum.size(); ++i)
        byNumber = folders->byNum[i - 1].first != folders->byNum[i].first;
    if (!byNumber)
        return read(db, querySql(), stop);

    auto files = fromRows(ReadFilesInParts(db, filesSql(), stop));
    if (!files)
        return files;
    ListingRows& listing = files.value();
    // Each file's folder, by the file's number; anything but an integer matches no folder.
    auto ranks = std::make_shared<std::vector<uint32_t>>(size_t(listing.m_rows.recordCount()), 0u);
    Snapshot& rows = listing.m_rows;
    qint64 lastNum = 0, lastPosition = -1;
    bool looked = false;
    for (bool more = rows.moveFirst(); more; more = rows.moveNext()) {
        const QVariant n = rows.value(listing.m_num);
        if (n.metaType().id() != QMetaType::LongLong)
            continue;
        if (!looked || n.toLongLong() != lastNum) {
            lastNum = n.toLongLong();
            lastPosition = folders->find(lastNum);
            looked = true;
        }
        if (lastPosition >= 0)
            (*ranks)[size_t(rows.absolutePosition())] = pathRanks[size_t(lastPosition)];
    }
    rows.moveFirst();
    folders->ranks = std::move(ranks);
    listing.m_folders = std::move(folders);
    return files;
}

QString ListingRows::folder() const {
    if (!m_folders)
        return m_rows.text(m_folder);
    const QVariant num = m_rows.value(m_num);
    if (num.metaType().id() != QMetaType::LongLong)
        return {};
    const qint64 position = m_folders->find(num.toLongLong());
    return position < 0 ? QString() : m_folders->paths.valueAt(position, m_folders->nom).toString();
}

QList<SortColumn> ListingRows::sortOrder(int column, bool descending) const {
    SortColumn folder(QStringLiteral("Folders.Nom"), SortKind::Name, false);
    if (m_folders)
        folder.ranks = m_folders->ranks;
    const SortColumn name(QStringLiteral("Files.Nom"), SortKind::Name, false);
    const auto first = [descending](SortColumn c) {
        c.descending = descending;
        return c;
    };
    switch (column) {
    case ColNom:
        return {first(name), folder};
    case ColChemin:
        return {first(folder), name};
    case ColTaille:
        return {{QStringLiteral("Files.Taille"), SortKind::Value, descending}, name};
    case ColType:
        return {{QStringLiteral("Files.Type"), SortKind::Name, descending}, name};
    case ColModifie:
        return {{QStringLiteral("Files.Modifié"), SortKind::Value, descending}, name};
    default:
        return {};
    }
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
