#include "SqliteStatement.h"

#include <utility>

namespace vambrel {

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) {
    m_prepareResult = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    if (m_prepareResult != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

SqliteStatement::SqliteStatement(sqlite3* db, const QString& sql)
    : SqliteStatement(db, sql.toUtf8().constData()) {}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_stmt);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr)), m_prepareResult(other.m_prepareResult) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(other.m_stmt, nullptr);
        m_prepareResult = other.m_prepareResult;
    }
    return *this;
}

bool SqliteStatement::bindNull(int index) {
    return sqlite3_bind_null(m_stmt, index) == SQLITE_OK;
}

bool SqliteStatement::bindInt(int index, qint64 value) {
    return sqlite3_bind_int64(m_stmt, index, value) == SQLITE_OK;
}

bool SqliteStatement::bindText(int index, const QString& value) {
    // An empty but non-null text must stay a zero-length string, not Null.
    // UTF-8, the database's encoding: the library converts faster than the engine would.
    const QByteArray utf8 = value.toUtf8();
    return sqlite3_bind_text(m_stmt, index, utf8.isEmpty() ? "" : utf8.constData(),
                             static_cast<int>(utf8.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

bool SqliteStatement::bindTextOrNull(int index, const QString& value) {
    return value.isNull() ? bindNull(index) : bindText(index, value);
}

bool SqliteStatement::bindUtf8(int index, std::string_view value) {
    // Zero length stays a text, not Null.
    return sqlite3_bind_text(m_stmt, index, value.empty() ? "" : value.data(), static_cast<int>(value.size()),
                             SQLITE_STATIC) == SQLITE_OK;
}

int SqliteStatement::step() {
    return sqlite3_step(m_stmt);
}

bool SqliteStatement::reset() {
    const bool ok = sqlite3_reset(m_stmt) == SQLITE_OK;
    sqlite3_clear_bindings(m_stmt);
    return ok;
}

QString SqliteStatement::columnText(int index) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
    if (text == nullptr)
        return {};
    return QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, index));
}

} // namespace vambrel
