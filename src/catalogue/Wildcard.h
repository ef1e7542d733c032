#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace vambrel {

// A file-name pattern with the file system's wildcard rules: '*' matches any run of
// characters, '?' exactly one, everything else itself without regard to case (simple Unicode
// case folding, code point by code point). "*" and "*.*" match every name, with or without a
// dot, and more generally a pattern ending in ".*" also matches a name that ends where the dot
// would be ("readme.*" matches "readme"). An empty pattern matches every name.
class Wildcard {
public:
    explicit Wildcard(const QString& pattern);

    bool matches(QStringView name) const;
    // True when every name matches: the caller may skip the test.
    bool matchesAll() const { return m_all; }

private:
    bool matchFrom(QStringView name, std::size_t patternEnd) const;

    std::vector<char32_t> m_pattern; // folded code points; '*' and '?' kept as is
    bool m_all = false;
    bool m_optionalDotStar = false; // the pattern ends in ".*"
};

} // namespace vambrel
