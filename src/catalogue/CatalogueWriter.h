#pragma once

#include "Database.h"
#include "SqliteStatement.h"
#include "VersionRecord.h"

#include <QDateTime>
#include <QString>
#include <string_view>

namespace vambrel {

// One row of Files in a catalogue.
struct FileRow {
    qint64 numId = 0;
    qint32 num = 0;
    QString nom;
    qint64 taille = 0; // the true size, 64 bits
    QDateTime modifie; // local time, whole seconds; an invalid date is stored as Null
    QString type;
};

// Typed inserts into a catalogue or a new-files list opened read-write. Rows are grouped in
// transactions committed every `batchSize` rows and at each commit() call; rows not yet committed
// when the writer is destroyed are rolled back, so the file always ends on complete rows.
class CatalogueWriter {
public:
    explicit CatalogueWriter(Database& db, int batchSize = 8192);
    ~CatalogueWriter();
    CatalogueWriter(const CatalogueWriter&) = delete;
    CatalogueWriter& operator=(const CatalogueWriter&) = delete;

    bool isValid() const { return m_valid; }

    bool addFolder(qint32 num, const QString& nom);
    // A catalogue file row; in a new-files list only NumId, Num and Nom are written.
    bool addFile(const FileRow& row);
    // addFile() for a catalogue with the texts already in UTF-8, the form stored: the build's hot
    // path, which converts nothing. An empty `modifie` is stored as Null.
    bool addFileUtf8(qint64 numId, qint32 num, std::string_view nom, qint64 taille, std::string_view modifie,
                     std::string_view type);
    bool addNewFile(qint64 numId, qint32 num, const QString& nom);
    // A Version row: the string values, the fixed information, or both; fields not given stay Null.
    bool addVersion(qint64 numId, const VersionStrings* strings, const VersionFixed* fixed);

    // Commits the rows added so far.
    bool commit();

    const QString& lastError() const { return m_db.lastError(); }

private:
    bool begin();
    bool finishRow(SqliteStatement& st, const char* what, const QString& subject);

    Database& m_db;
    SqliteStatement m_folder;
    SqliteStatement m_file;
    SqliteStatement m_version;
    int m_batchSize;
    int m_pending = 0;
    bool m_valid = false;
};

// Stores the Description property of a catalogue open read-write, creating it when missing.
bool SetDescription(Database& db, const QString& text, QString* error);

} // namespace vambrel
