#pragma once

#include "CatalogueSchema.h"
#include "Result.h"

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>
#include <sqlite3.h>

namespace vambrel {

enum class OpenMode { ReadOnly, ReadWrite };

// One named, typed property of a catalogue. Text and Memo values are QString, Date values QDateTime.
struct DbProperty {
    QString name;
    PropertyType type = PropertyType::Text;
    QVariant value;
};

// One connection to a catalogue file (or a new-files list). Closed on destruction. Move-only.
// Every failing call returns false (or an empty result) and leaves a French message in lastError().
class Database {
public:
    Database() = default;
    ~Database();
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Creates a new file with the tables and indexes of `kind`; a catalogue also gets its six
    // properties, in order, with their initial values (`mask` and `created` for Masque and DateCréation).
    // A path that already exists is refused and left untouched.
    bool create(const QString& path, DbKind kind, const QString& mask = QStringLiteral("*.*"),
                const QDateTime& created = QDateTime::currentDateTime());
    // Opens an existing file and checks that it holds the tables and fields of `kind`.
    // A read-only connection never writes to the file.
    bool open(const QString& path, OpenMode mode, DbKind kind = DbKind::Catalogue);
    void close();

    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const { return m_readOnly; }
    DbKind kind() const { return m_kind; }
    const QString& path() const { return m_path; }
    const QString& lastError() const { return m_error; }
    sqlite3* handle() const { return m_db; }

    // Properties. A missing property reads as an empty optional; a failure as a failed Result.
    Result<std::optional<DbProperty>> property(const QString& name) const;
    Result<std::vector<DbProperty>> properties() const; // in creation order
    // Appends a new property; fails when it exists already.
    bool createProperty(const QString& name, PropertyType type, const QVariant& value);
    // Changes the value of an existing property; fails when it is missing.
    bool setProperty(const QString& name, const QVariant& value);

    bool exec(const QString& sql);
    bool beginTransaction();
    bool commit();
    bool rollback();
    bool inTransaction() const;

    // Sets the error from the connection's last SQLite failure, prefixed by `what`.
    bool fail(const QString& what) const;
    bool failWith(const QString& message) const;

private:
    bool configure();
    bool validate(DbKind kind);
    bool hasPropertiesTable() const;
    QString propertyValueText(PropertyType type, const QVariant& value, bool* ok) const;

    sqlite3* m_db = nullptr;
    QString m_path;
    bool m_readOnly = false;
    DbKind m_kind = DbKind::Catalogue;
    mutable QString m_error;
};

} // namespace vambrel
