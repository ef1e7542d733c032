#pragma once

#include "Database.h"
#include "Result.h"
#include "Snapshot.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <memory>
#include <optional>

namespace vambrel {

// Typed reads of a catalogue, beside CatalogueWriter. Every query that a window runs on a catalogue
// is defined here once; the rows come as snapshots (fully read, ordered in memory) with typed
// accessors for their current record, so that no window names a field or writes SQL.

// The folders of a catalogue ordered by path: Num and Nom of the current record.
class FolderRows {
public:
    FolderRows() = default;
    // A `stop` set meanwhile ends the reading early with a failure.
    static Result<FolderRows> open(const Database& db, const StopFlag* stop = nullptr);

    bool isValid() const { return m_rows.isValid(); }
    Snapshot& rows() { return m_rows; }
    const Snapshot& rows() const { return m_rows; }
    qint64 num() const { return m_rows.value(m_num).toLongLong(); }
    QString nom() const { return m_rows.text(m_nom); }

private:
    Snapshot m_rows;
    int m_num = -1, m_nom = -1;
};

// File rows with their typed fields: the files of one folder ordered by name, or any snapshot
// that selects the fields of Files (NumId, Nom, Taille, Type, Modifié) under their own names.
class FileRows {
public:
    FileRows() = default;
    // Fails when a field of Files is missing from the snapshot.
    static Result<FileRows> over(Snapshot rows);
    static Result<FileRows> ofFolder(const Database& db, qint64 num);

    bool isValid() const { return m_rows.isValid(); }
    Snapshot& rows() { return m_rows; }
    const Snapshot& rows() const { return m_rows; }
    qint64 numId() const { return m_rows.value(m_numId).toLongLong(); }
    QString nom() const { return m_rows.text(m_nom); }
    QVariant taille() const { return m_rows.value(m_taille); } // Null when unknown
    QString type() const { return m_rows.text(m_type); }
    QVariant modifie() const { return m_rows.value(m_modifie); } // the stored date text, or Null
    // Moves to the row of this file; false, and no move, when it is not among the rows.
    bool findNumId(qint64 numId);

private:
    Snapshot m_rows;
    int m_numId = -1, m_nom = -1, m_taille = -1, m_type = -1, m_modifie = -1;
};

// Runs `sql`, a query whose rows come from a scan of Files in rowid order and which has no WHERE
// clause of its own; a large table is read in two rowid ranges at once on two connections, with
// the rows and the order of one reading.
Result<Snapshot> ReadFilesInParts(const Database& db, const QString& sql, const StopFlag* stop = nullptr);

// Every file of a catalogue with its folder (Null for a missing folder), for the flat list.
class ListingRows {
public:
    enum Column { ColNom = 0, ColChemin = 1, ColTaille = 2, ColType = 3, ColModifie = 4, ColumnCount = 5 };

    // The query of the list, without an order: every file with its folder's path.
    static QString querySql();

    ListingRows() = default;
    // Reads every file, unordered; the total of the sizes is summed in the same pass. A `stop` set
    // meanwhile ends the reading early with a failure. The folders' paths come from `folders` (as
    // FolderRows::open reads them): the files are read alone, and a folder's rank among the
    // paths orders the folder column. Folder numbers that the files cannot be matched by (other
    // than unique integers) are read with the files instead, in the same rows and order.
    static Result<ListingRows> open(const Database& db, const FolderRows& folders,
                                    const StopFlag* stop = nullptr);
    // The same, reading the folders first.
    static Result<ListingRows> open(const Database& db, const StopFlag* stop = nullptr);

    bool isValid() const { return m_rows.isValid(); }
    double totalSize() const { return m_totalSize; }
    // The same rows in the order of a column, then of the file name (the folder for "Nom").
    Result<ListingRows> sorted(int column, bool descending, const StopFlag* stop = nullptr) const;
    ListingRows clone() const;

    Snapshot& rows() { return m_rows; }
    const Snapshot& rows() const { return m_rows; }
    QString folder() const; // empty for a missing folder
    QString nom() const { return m_rows.text(m_nom); }
    qint64 numId() const { return m_rows.value(m_numId).toLongLong(); }
    QVariant taille() const { return m_rows.value(m_taille); }
    QString type() const { return m_rows.text(m_type); }
    QVariant modifie() const { return m_rows.value(m_modifie); }

private:
    struct Folders;
    static Result<ListingRows> read(const Database& db, const QString& sql, const StopFlag* stop);
    static Result<ListingRows> fromRows(Result<Snapshot> rows);
    QList<SortColumn> sortOrder(int column, bool descending) const;

    Snapshot m_rows;
    std::shared_ptr<const Folders> m_folders; // null when the rows hold the folder's path
    double m_totalSize = 0;
    int m_folder = -1, m_num = -1, m_nom = -1, m_numId = -1, m_taille = -1, m_type = -1, m_modifie = -1;
};

// The fourteen values of a file's Version row that the version window shows, in the order of
// kVersionFields (the fields of the Version table); empty for Null.
using VersionTexts = std::array<QString, 14>;
extern const char* const kVersionFields[14];

// Reads the properties and single rows of one open catalogue.
class CatalogueReader {
public:
    explicit CatalogueReader(const Database& db) : m_db(db) {}

    // Origine; fails on a catalogue without it.
    Result<QString> origine() const;
    // The start folders recorded in Source, without empty ones; none when Source is missing.
    QStringList startFolders() const;
    // A property as text (a date as the general date text); empty when missing or unreadable.
    QString propertyText(const QString& name) const;

    struct FileTotals {
        qint64 files = 0;
        double size = 0;
    };
    Result<FileTotals> fileTotals() const;

    // The Version row of a file; an empty optional when the file has none.
    Result<std::optional<VersionTexts>> versionOf(qint64 numId) const;

private:
    const Database& m_db;
};

} // namespace vambrel
