#pragma once

#include "Database.h"
#include "Result.h"
#include "Snapshot.h"

#include <QString>
#include <QVariant>
#include <vector>

namespace vambrel {

// The data of the listing report of one catalogue: the detail query (one row per file, or per empty
// folder when every folder is listed) and the totals query (one row per folder with its file count
// and size), both in folder-name order, read once and then reached by folder and file index, so
// that any page is found without walking the rows before it. Sizes and counts are 64-bit.
// Not for use from several threads: reading a file moves the detail rows.
class ListingReport {
public:
    enum FolderFilter { AllFolders = 0, NonEmptyFolders = 1 };

    struct Folder {
        qint64 num = 0;
        QString nom;
        qint64 files = 0; // NbreFichiers
        qint64 size = 0;  // TailleDossier, Null as 0
        qint64 firstRow = 0;
        qint64 rowCount = 0; // detail rows of its files (none for an empty folder)
    };

    struct File {
        QString nom;
        QVariant taille;  // Null when unknown
        QVariant modifie; // the stored date text, or Null
        QString type;
        QVariant produitVersion; // Null when the file has no version row
    };

    static QString detailSql(int folderFilter);
    static QString totalsSql(int folderFilter);

    ListingReport() = default;
    // Runs both queries. Files whose folder is missing from the catalogue have no place in a
    // listing by folder and are left out.
    static Result<ListingReport> open(const Database& db, int folderFilter);

    int folderFilter() const { return m_filter; }
    qint64 folderCount() const { return qint64(m_folders.size()); }
    const Folder& folder(qint64 index) const { return m_folders[size_t(index)]; }
    // NbreFichiers of every folder, in report order: what the pagination needs.
    std::vector<qint64> fileCounts() const;
    qint64 totalFiles() const { return m_totalFiles; }
    qint64 totalSize() const { return m_totalSize; }

    // The file `index` of a folder; false when the folder has no such detail row.
    bool file(qint64 folderIndex, qint64 index, File* out) const;

    // The title of the report's first page: the catalogue's file name, or "Poste de travail" for
    // a listing of the computer, with the creation date, the source and the mask.
    QString title(bool computerListing) const;
    QString fileName() const { return m_fileName; }

private:
    int m_filter = AllFolders;
    std::vector<Folder> m_folders;
    mutable Snapshot m_detail;
    int m_nom = -1, m_taille = -1, m_modifie = -1, m_type = -1, m_version = -1;
    qint64 m_totalFiles = 0;
    qint64 m_totalSize = 0;
    QString m_fileName, m_created, m_source, m_mask;
};

} // namespace vambrel
