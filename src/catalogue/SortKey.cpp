#include "SortKey.h"

#include <algorithm>
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

// Weights of the printable ASCII characters, read from the collator itself so that comparing with
// them gives the collator's own answer: primary weights first over the whole text, then case.
struct AsciiWeights {
    uint8_t primary[128] = {};
    uint8_t tertiary[128] = {};
    // Latin letters U+00C0..U+024F whose primary weight is exactly that of one ASCII character
    // ("é" as "e"); 0 for the others ("æ", "ß", ...).
    uint8_t latin[0x250 - 0xC0] = {};
    bool usable = false;
};

AsciiWeights makeAsciiWeights(const UCollator* base) {
    AsciiWeights w;
    if (base == nullptr)
        return w;
    UErrorCode status = U_ZERO_ERROR;
    CollatorPtr primary(ucol_open("fr", &status));
    if (U_FAILURE(status))
        return w;
    ucol_setStrength(primary.get(), UCOL_PRIMARY);
    std::vector<UChar> chars;
    for (UChar c = 0x20; c < 0x7f; ++c)
        chars.push_back(c);
    std::stable_sort(chars.begin(), chars.end(), [&](UChar a, UChar b) {
        return ucol_strcoll(primary.get(), &a, 1, &b, 1) == UCOL_LESS;
    });
    uint8_t rank = 1;
    for (size_t i = 0; i < chars.size(); ++i) {
        if (i > 0 && ucol_strcoll(primary.get(), &chars[i - 1], 1, &chars[i], 1) != UCOL_EQUAL)
            ++rank;
        w.primary[chars[i]] = rank;
        // An ignorable character would need the collator's own alignment rules.
        if (ucol_strcoll(primary.get(), &chars[i], 1, nullptr, 0) == UCOL_EQUAL)
            return w;
    }
    // Characters that share a primary weight must be exactly the two cases of one letter.
    for (UChar a = 0x20; a < 0x7f; ++a) {
        for (UChar b = static_cast<UChar>(a + 1); b < 0x7f; ++b) {
            if (w.primary[a] == w.primary[b] && !(a >= u'A' && a <= u'Z' && b == a + 32))
                return w;
        }
    }
    const UChar lower = u'a', upper = u'A';
    const bool lowerFirst = ucol_strcoll(base, &lower, 1, &upper, 1) == UCOL_LESS;
    for (UChar c = 0x20; c < 0x7f; ++c) {
        const bool isUpper = c >= u'A' && c <= u'Z';
        const bool isLower = c >= u'a' && c <= u'z';
        w.tertiary[c] = (isUpper && lowerFirst) || (isLower && !lowerFirst) ? 2 : 1;
    }
    for (UChar c = 0xC0; c < 0x250; ++c) {
        for (UChar a = 0x21; a < 0x7f; ++a) {
            if (ucol_strcoll(primary.get(), &c, 1, &a, 1) == UCOL_EQUAL) {
                w.latin[c - 0xC0] = w.primary[a];
                break;
            }
        }
    }
    w.usable = true;
    return w;
}

const AsciiWeights& asciiWeights() {
    static const AsciiWeights weights = makeAsciiWeights(sharedCollator());
    return weights;
}

} // namespace

bool IsPrintableAscii(std::string_view text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7e)
            return false;
    }
    return true;
}

int CompareNamesUtf8(std::string_view a, std::string_view b) {
    return CompareNamesUtf8(a, IsPrintableAscii(a), b, IsPrintableAscii(b));
}

int CompareNamesUtf8(std::string_view a, bool aAscii, std::string_view b, bool bAscii) {
    const AsciiWeights& weights = asciiWeights();
    if (weights.usable && aAscii && bAscii) {
        const size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            const int d = int(weights.primary[uint8_t(a[i])]) - int(weights.primary[uint8_t(b[i])]);
            if (d != 0)
                return d;
        }
        if (a.size() != b.size())
            return a.size() < b.size() ? -1 : 1;
        for (size_t i = 0; i < n; ++i) {
            const int d = int(weights.tertiary[uint8_t(a[i])]) - int(weights.tertiary[uint8_t(b[i])]);
            if (d != 0)
                return d;
        }
        return 0;
    }
    const UCollator* collator = sharedCollator();
    if (collator == nullptr)
        return a.compare(b);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                                static_cast<int32_t>(b.size()), &status);
    if (U_FAILURE(status))
        return a.compare(b);
    return r;
}

NamePrefix MakeNamePrefix(std::string_view utf8) {
    const AsciiWeights& weights = asciiWeights();
    NamePrefix prefix;
    if (!weights.usable)
        return prefix;
    size_t i = 0;
    while (prefix.known < 16 && i < utf8.size()) {
        const auto b0 = uint8_t(utf8[i]);
        uint8_t weight = 0;
        size_t width = 1;
        if (b0 >= 0x20 && b0 <= 0x7e) {
            weight = weights.primary[b0];
        } else if ((b0 & 0xe0) == 0xc0 && i + 1 < utf8.size() && (uint8_t(utf8[i + 1]) & 0xc0) == 0x80) {
            const unsigned cp = ((b0 & 0x1fu) << 6) | (uint8_t(utf8[i + 1]) & 0x3fu);
            width = 2;
            if (cp >= 0xC0 && cp < 0x250)
                weight = weights.latin[cp - 0xC0];
        }
        // Whatever the collator might treat specially ends the known part; the rest falls back.
        if (weight == 0)
            return prefix;
        if (i + width < utf8.size()) {
            const auto next = uint8_t(utf8[i + width]);
            if (next >= 0xcc && next <= 0xcd)
                return prefix; // a combining mark may follow and change this character
        }
        if (prefix.known < 8)
            prefix.weights |= uint64_t(weight) << (56 - 8 * prefix.known);
        else
            prefix.more |= uint64_t(weight) << (56 - 8 * (prefix.known - 8));
        ++prefix.known;
        i += width;
    }
    prefix.complete = i == utf8.size();
    return prefix;
}

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
