#include "SortKey.h"

#include <cstring>
#include <memory>
#include <unicode/ucol.h>
#include <vector>

namespace vambrel {

namespace {

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

CollatorPtr openCollator() {
    UErrorCode status = U_ZERO_ERROR;
    CollatorPtr collator(ucol_open("fr", &status));
    if (U_FAILURE(status))
        return nullptr;
    ucol_setStrength(collator.get(), UCOL_TERTIARY);
    return collator;
}

// The key of `length` UTF-16 units into `out`, which grows as needed; returns its size without the NUL.
int makeKey(const UCollator* collator, const UChar* text, int length, std::vector<uint8_t>& out) {
    if (out.size() < 256)
        out.resize(256);
    int needed = ucol_getSortKey(collator, text, length, out.data(), static_cast<int>(out.size()));
    if (needed > static_cast<int>(out.size())) {
        out.resize(static_cast<size_t>(needed));
        needed = ucol_getSortKey(collator, text, length, out.data(), static_cast<int>(out.size()));
    }
    return needed > 0 ? needed - 1 : 0;
}

const UCollator* sharedCollator() {
    // ucol_getSortKey only reads the collator, so one instance serves every thread.
    static const CollatorPtr collator = openCollator();
    return collator.get();
}

void sortKeyFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = static_cast<const UChar*>(sqlite3_value_text16(argv[0]));
    const int bytes = sqlite3_value_bytes16(argv[0]);
    if (text == nullptr) {
        sqlite3_result_error_nomem(context);
        return;
    }
    thread_local std::vector<uint8_t> buffer;
    const int size =
        makeKey(static_cast<const UCollator*>(sqlite3_user_data(context)), text, bytes / 2, buffer);
    sqlite3_result_blob(context, buffer.data(), size, SQLITE_TRANSIENT);
}

} // namespace

QByteArray SortKey(QStringView text) {
    const UCollator* collator = sharedCollator();
    if (collator == nullptr)
        return text.toString().toCaseFolded().toUtf8();
    thread_local std::vector<uint8_t> buffer;
    const int size = makeKey(collator, reinterpret_cast<const UChar*>(text.utf16()),
                             static_cast<int>(text.size()), buffer);
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), size);
}

int CompareNames(QStringView a, QStringView b) {
    const UCollator* collator = sharedCollator();
    if (collator == nullptr)
        return a.compare(b, Qt::CaseInsensitive);
    return ucol_strcoll(collator, reinterpret_cast<const UChar*>(a.utf16()), static_cast<int>(a.size()),
                        reinterpret_cast<const UChar*>(b.utf16()), static_cast<int>(b.size()));
}

QString OrderByName(const QString& expression) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(kSortKeyFunction), expression);
}

bool registerSortKey(sqlite3* db) {
    const UCollator* collator = sharedCollator();
    if (collator == nullptr)
        return false;
    return sqlite3_create_function_v2(
               db, kSortKeyFunction, 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
               const_cast<UCollator*>(collator), sortKeyFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace vambrel
