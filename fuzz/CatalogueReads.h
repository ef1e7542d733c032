#pragma once

// Reads one catalogue file the way the windows and jobs do: the properties, the folders and the
// files of some, the flat list in every sort, the listing report and its pages, the comparison
// query, a conversion of an earlier format, and, for a new-files list, its rows in every order.
// Shared by the fuzz target and the replay of its corpus in the normal test build. Returns false
// when a reader broke one of its promises; a crash or a sanitizer report is the other failure.
#include "CatalogueConversion.h"
#include "CatalogueReader.h"
#include "ComparisonQuery.h"
#include "ComparisonRows.h"
#include "Database.h"
#include "ListingPagination.h"
#include "ListingReport.h"
#include "NewFileRows.h"

#include <QFile>
#include <QString>

namespace vambrel::fuzz {

// A snapshot walked forwards visits exactly its record count.
inline bool walkMatchesCount(Snapshot rows) {
    qint64 seen = 0;
    for (bool on = rows.moveFirst(); on; on = rows.moveNext())
        ++seen;
    return seen == rows.recordCount();
}

inline bool readListingReport(const Database& db, int filter) {
    auto report = ListingReport::open(db, filter);
    if (!report)
        return !report.error().isEmpty();
    report->title(false);
    for (qint64 f = 0; f < report->folderCount(); ++f) {
        const ListingReport::Folder& folder = report->folder(f);
        ListingReport::File file;
        for (qint64 i = 0; i < folder.rowCount && i < 8; ++i)
            report->file(f, i, &file);
        // Past the folder's rows there is nothing to read.
        if (report->file(f, folder.rowCount, &file))
            return false;
    }
    for (int perLine : {1, 4}) {
        const ListingPagination pages(report->fileCounts(), perLine);
        for (int page = 1; page <= pages.pageCount() && page <= 3; ++page) {
            if (pages.pageLines(page).empty())
                return false;
        }
        if (!pages.pageLines(pages.pageCount() + 1).empty())
            return false;
    }
    return true;
}

inline bool readCatalogue(const Database& db) {
    CatalogueReader reader(db);
    reader.origine();
    reader.startFolders();
    if (auto props = db.properties()) {
        for (const DbProperty& p : props.value())
            reader.propertyText(p.name);
    }
    reader.fileTotals();

    auto folders = FolderRows::open(db);
    if (folders) {
        if (!walkMatchesCount(folders->rows()))
            return false;
        int opened = 0;
        for (bool on = folders->rows().moveFirst(); on && opened < 8;
             on = folders->rows().moveNext(), ++opened) {
            auto files = FileRows::ofFolder(db, folders->num());
            if (!files)
                continue;
            for (bool f = files->rows().moveFirst(); f; f = files->rows().moveNext()) {
                files->nom();
                files->taille();
                files->modifie();
                reader.versionOf(files->numId());
            }
        }
    }

    auto list = ListingRows::open(db);
    if (list) {
        if (!walkMatchesCount(list->rows()))
            return false;
        for (int column = 0; column < ListingRows::ColumnCount; ++column) {
            for (bool descending : {false, true}) {
                auto sorted = list->sorted(column, descending);
                if (sorted && sorted->rows().recordCount() != list->rows().recordCount())
                    return false;
            }
        }
    }

    if (!readListingReport(db, ListingReport::AllFolders) ||
        !readListingReport(db, ListingReport::NonEmptyFolders))
        return false;

    if (auto query = OpenComparisonQuery(db)) {
        for (bool on = query->moveFirst(); on; on = query->moveNext())
            ComparisonPath(query.value());
    }
    ComparisonQueryCount(db);
    if (auto rows = ComparisonRows::open(db)) {
        for (qint64 i = 0; rows->moveTo(i) && i < 16; ++i)
            rows->fullPath();
    }
    CatalogueConversion::sourceOf(db);
    return true;
}

inline bool readNewFilesList(const Database& db) {
    for (auto key : {NewFileRows::ByName, NewFileRows::ByFolder}) {
        for (bool descending : {false, true}) {
            auto rows = NewFileRows::open(db, key, descending);
            if (!rows)
                continue;
            for (qint64 i = 0; rows->moveTo(i); ++i) {
                rows->folder();
                rows->nom();
            }
        }
    }
    return true;
}

// Reads the file at `path` (a copy the caller owns: a conversion writes to it).
inline bool readCatalogueFile(const QString& path) {
    {
        Database db;
        if (db.open(path, OpenMode::ReadOnly, DbKind::Catalogue)) {
            if (!readCatalogue(db))
                return false;
        } else if (db.lastError().isEmpty()) {
            return false; // a refusal always says why
        }
    }
    {
        Database db;
        if (db.open(path, OpenMode::ReadOnly, DbKind::NewFilesList) && !readNewFilesList(db))
            return false;
    }
    Database db;
    if (db.open(path, OpenMode::ReadWrite, DbKind::Catalogue) && CatalogueConversion::needsConversion(db)) {
        QString error;
        if (!CatalogueConversion::convert(db, QStringLiteral("2.0.0"), &error) && error.isEmpty())
            return false;
        db.close();
        Database again;
        if (again.open(path, OpenMode::ReadOnly, DbKind::Catalogue) && !readCatalogue(again))
            return false;
    }
    return true;
}

} // namespace vambrel::fuzz
