#pragma once

#include <QByteArray>
#include <functional>
#include <optional>

namespace vambrel {

// A TrueType font put back together from its tables (as a font engine hands them out), with the
// metrics a PDF font description needs. The tables come from a font file on disk: every size
// and count is checked before it is used.
class TrueTypeFont {
public:
    // The table of a four-letter tag ("glyf", "OS/2"...); empty when the font has none.
    using TableSource = std::function<QByteArray(const char* tag)>;

    // None when a table needed to draw glyphs (head, hhea, maxp, hmtx, loca, glyf) is missing
    // or too short for what the others say (an outline font of another kind, a damaged file).
    static std::optional<TrueTypeFont> fromTables(const TableSource& table);

    // The sfnt file: table directory, then the tables, each 4-byte aligned, with checksums and
    // the head table's whole-file adjustment.
    const QByteArray& file() const { return m_file; }

    int unitsPerEm() const { return m_unitsPerEm; }
    int glyphCount() const { return m_glyphCount; }
    // In font units.
    int ascent() const { return m_ascent; }
    int descent() const { return m_descent; } // negative below the baseline
    int capHeight() const { return m_capHeight; }
    int xMin() const { return m_xMin; }
    int yMin() const { return m_yMin; }
    int xMax() const { return m_xMax; }
    int yMax() const { return m_yMax; }

    // The sum of big-endian 32-bit words of `data`, the last one padded with zeros.
    static quint32 checksum(const QByteArray& data);

private:
    QByteArray m_file;
    int m_unitsPerEm = 0;
    int m_glyphCount = 0;
    int m_ascent = 0, m_descent = 0, m_capHeight = 0;
    int m_xMin = 0, m_yMin = 0, m_xMax = 0, m_yMax = 0;
};

} // namespace vambrel
