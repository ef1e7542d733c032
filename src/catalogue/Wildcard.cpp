#include "Wildcard.h"

#include <algorithm>

namespace vambrel {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The code point at index i of a UTF-16 text and the number of units it takes.
char32_t codePointAt(QStringView text, qsizetype i, qsizetype& units) {
    const char16_t unit = text[i].unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        units = 2;
        return QChar::surrogateToUcs4(unit, text[i + 1].unicode());
    }
    units = 1;
    return unit;
}

} // namespace

Wildcard::Wildcard(const QString& pattern) {
    const QStringView view(pattern);
    for (qsizetype i = 0; i < view.size();) {
        qsizetype units = 0;
        const char32_t code = codePointAt(view, i, units);
        m_pattern.push_back(code == U'*' || code == U'?' ? code : QChar::toCaseFolded(code));
        i += units;
    }
    const bool onlyStars =
        std::all_of(m_pattern.begin(), m_pattern.end(), [](char32_t c) { return c == U'*'; });
    const std::size_t size = m_pattern.size();
    m_optionalDotStar = size >= 2 && m_pattern[size - 2] == U'.' && m_pattern[size - 1] == U'*';
    // "*.*" with any number of stars on either side, "*", and the empty pattern.
    const bool starDotStar =
        m_optionalDotStar &&
        std::all_of(m_pattern.begin(), m_pattern.end() - 2, [](char32_t c) { return c == U'*'; }) && size > 2;
    m_all = onlyStars || starDotStar;
}

bool Wildcard::matches(QStringView name) const {
    if (m_all)
        return true;
    if (matchFrom(name, m_pattern.size()))
        return true;
    return m_optionalDotStar && matchFrom(name, m_pattern.size() - 2);
}

bool Wildcard::matchFrom(QStringView name, std::size_t patternEnd) const {
    std::size_t p = 0;
    qsizetype n = 0;
    std::size_t starPattern = kNone; // pattern index just after the last '*'
    qsizetype starName = 0;          // where that '*' stopped eating the name
    while (n < name.size()) {
        if (p < patternEnd && m_pattern[p] == U'*') {
            starPattern = ++p;
            starName = n;
            continue;
        }
        qsizetype units = 0;
        const char32_t code = codePointAt(name, n, units);
        if (p < patternEnd && (m_pattern[p] == U'?' || m_pattern[p] == QChar::toCaseFolded(code))) {
            ++p;
            n += units;
            continue;
        }
        if (starPattern == kNone)
            return false;
        // Let the last '*' take one more code point and try again from there.
        qsizetype starUnits = 0;
        codePointAt(name, starName, starUnits);
        starName += starUnits;
        n = starName;
        p = starPattern;
    }
    while (p < patternEnd && m_pattern[p] == U'*')
        ++p;
    return p == patternEnd;
}

} // namespace vambrel
