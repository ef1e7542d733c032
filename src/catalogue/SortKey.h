#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <cstdint>
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

// The primary weights of the first characters of a name, enough to order most pairs of names
// without looking at the texts again: CompareNamePrefixes gives the collator's answer, or 0 when
// the prefixes cannot decide and the names must be compared whole.
struct NamePrefix {
    uint64_t weights = 0;  // one byte per character, first character in the high byte
    uint64_t more = 0;     // the same for the ninth to sixteenth characters
    uint8_t known = 0;     // characters whose weight is known (at most 16)
    bool complete = false; // `known` covers the whole name
};
NamePrefix MakeNamePrefix(std::string_view utf8);
// Inline: it runs at every comparison of a sort.
inline int CompareNamePrefixes(const NamePrefix& a, const NamePrefix& b) {
    const unsigned m = std::min(a.known, b.known);
    if (m > 0) {
        const unsigned first = std::min(m, 8u);
        const uint64_t mask = first == 8 ? ~uint64_t(0) : ~uint64_t(0) << (64 - 8 * first);
        const uint64_t wa = a.weights & mask, wb = b.weights & mask;
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (m > 8) {
        const uint64_t mask = m == 16 ? ~uint64_t(0) : ~uint64_t(0) << (64 - 8 * (m - 8));
        const uint64_t wa = a.more & mask, wb = b.more & mask;
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    // Equal so far: a text wholly known and shorter than the other's known part comes first.
    if (a.complete && a.known < b.known)
        return -1;
    if (b.complete && b.known < a.known)
        return 1;
    return 0;
}

// Name of the SQL function registered on every catalogue connection: vsortkey(text) gives the
// key as a blob (Null for Null). It lives in the connection, never in the file's schema.
inline constexpr const char* kSortKeyFunction = "vsortkey";

// "vsortkey(<expression>)": the ORDER BY term for a name column.
QString OrderByName(const QString& expression);

bool registerSortKey(sqlite3* db);

} // namespace vambrel
