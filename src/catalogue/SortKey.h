#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <sqlite3.h>

namespace vambrel {

// Name ordering of catalogues: French-aware, accents as a secondary difference, case only as a
// tie-breaker, so "eté" < "Été" < "étude" < "Zèbre". Keys compare with memcmp.
QByteArray SortKey(QStringView text);
int CompareNames(QStringView a, QStringView b);

// Name of the SQL function registered on every catalogue connection: vsortkey(text) gives the
// key as a blob (Null for Null). It lives in the connection, never in the file's schema.
inline constexpr const char* kSortKeyFunction = "vsortkey";

// "vsortkey(<expression>)": the ORDER BY term for a name column.
QString OrderByName(const QString& expression);

bool registerSortKey(sqlite3* db);

} // namespace vambrel
