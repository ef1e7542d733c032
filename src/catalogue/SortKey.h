#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <sqlite3.h>
#include <string_view>

namespace vambrel {

// Name ordering of catalogues: French-aware, accents as a secondary difference, case only as a
// tie-breaker, so "eté" < "Été" < "étude" < "Zèbre". Keys compare with memcmp.
QByteArray SortKey(QStringView text);
int CompareNames(QStringView a, QStringView b);
// The same ordering on UTF-8 texts, with a fast path for printable ASCII that gives exactly the
// collator's answer; <0, 0 or >0.
int CompareNamesUtf8(std::string_view a, std::string_view b);
// Whether a text takes the fast path; with both flags known, the comparison skips that check.
bool IsPrintableAscii(std::string_view text);
int CompareNamesUtf8(std::string_view a, bool aAscii, std::string_view b, bool bAscii);

// Name of the SQL function registered on every catalogue connection: vsortkey(text) gives the
// key as a blob (Null for Null). It lives in the connection, never in the file's schema.
inline constexpr const char* kSortKeyFunction = "vsortkey";

// "vsortkey(<expression>)": the ORDER BY term for a name column.
QString OrderByName(const QString& expression);

bool registerSortKey(sqlite3* db);

} // namespace vambrel
