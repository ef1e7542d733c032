#pragma once

#include <QByteArray>
#include <QString>
#include <sqlite3.h>
#include <string_view>

namespace vambrel {

// Owns one prepared statement; finalized on destruction. Move-only.
class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, const char* sql);
    SqliteStatement(sqlite3* db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }
    int prepareResult() const { return m_prepareResult; }

    // Binding; indexes from 1 as in SQLite. The bound text is copied.
    bool bindNull(int index);
    bool bindInt(int index, qint64 value);
    bool bindText(int index, const QString& value);
    bool bindTextOrNull(int index, const QString& value); // a null QString binds Null
    // UTF-8 bound where it is, not copied: it must stay valid until reset().
    bool bindUtf8(int index, std::string_view value);

    int step();
    bool reset();

    QString columnText(int index) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_prepareResult = SQLITE_OK;
};

} // namespace vambrel
