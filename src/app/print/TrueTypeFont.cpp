#include "TrueTypeFont.h"

#include <algorithm>
#include <vector>

namespace vambrel {

namespace {

quint16 u16(const QByteArray& d, qsizetype at) {
    return quint16((quint8(d[at]) << 8) | quint8(d[at + 1]));
}
int s16(const QByteArray& d, qsizetype at) {
    return int(qint16(u16(d, at)));
}
void put16(QByteArray& d, quint32 v) {
    d.append(char((v >> 8) & 0xFF));
    d.append(char(v & 0xFF));
}
void put32(QByteArray& d, quint32 v) {
    put16(d, v >> 16);
    put16(d, v & 0xFFFF);
}
void set32(QByteArray& d, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        d[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
}

// Drawing needs the first six; the others help a reader that checks the font or hints it.
constexpr const char* kTables[] = {"head", "hhea", "maxp", "hmtx", "loca", "glyf", "cvt ",
                                   "fpgm", "prep", "cmap", "name", "OS/2", "post", "gasp"};
constexpr int kRequiredTables = 6;
constexpr quint32 kChecksumMagic = 0xB1B0AFBA;

} // namespace

quint32 TrueTypeFont::checksum(const QByteArray& data) {
    quint32 sum = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; i += 4) {
        quint32 word = 0;
        for (qsizetype j = 0; j < 4; ++j)
            word = (word << 8) | (i + j < n ? quint8(data[i + j]) : 0u);
        sum += word;
    }
    return sum;
}

std::optional<TrueTypeFont> TrueTypeFont::fromTables(const TableSource& table) {
    struct Table {
        QByteArray tag;
        QByteArray data;
    };
    std::vector<Table> tables;
    for (int i = 0; i < int(std::size(kTables)); ++i) {
        QByteArray data = table(kTables[i]);
        if (data.isEmpty()) {
            if (i < kRequiredTables)
                return std::nullopt;
            continue;
        }
        tables.push_back({QByteArray(kTables[i], 4), std::move(data)});
    }
    const QByteArray& head = tables[0].data;
    const QByteArray& hhea = tables[1].data;
    const QByteArray& maxp = tables[2].data;
    const QByteArray& hmtx = tables[3].data;
    const QByteArray& loca = tables[4].data;
    if (head.size() < 54 || hhea.size() < 36 || maxp.size() < 6)
        return std::nullopt;

    TrueTypeFont font;
    font.m_unitsPerEm = u16(head, 18);
    font.m_xMin = s16(head, 36);
    font.m_yMin = s16(head, 38);
    font.m_xMax = s16(head, 40);
    font.m_yMax = s16(head, 42);
    const int longOffsets = s16(head, 50);
    font.m_ascent = s16(hhea, 4);
    font.m_descent = s16(hhea, 6);
    font.m_capHeight = font.m_ascent;
    const int metrics = u16(hhea, 34);
    const int glyphs = u16(maxp, 4);
    if (font.m_unitsPerEm < 16 || font.m_unitsPerEm > 16384 || glyphs < 1 || metrics < 1 ||
        metrics > glyphs || (longOffsets != 0 && longOffsets != 1) || hmtx.size() < qsizetype(metrics) * 4 ||
        loca.size() < qsizetype(glyphs + 1) * (longOffsets ? 4 : 2))
        return std::nullopt;
    font.m_glyphCount = glyphs;
    for (const Table& t : tables)
        if (t.tag == "OS/2" && t.data.size() >= 90 && u16(t.data, 0) >= 2)
            font.m_capHeight = s16(t.data, 88);

    std::sort(tables.begin(), tables.end(), [](const Table& a, const Table& b) { return a.tag < b.tag; });
    const auto count = quint32(tables.size());
    quint32 power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    QByteArray& out = font.m_file;
    put32(out, 0x00010000);
    put16(out, count);
    put16(out, power * 16);
    put16(out, log2);
    put16(out, count * 16 - power * 16);
    quint32 offset = 12 + 16 * count;
    qsizetype headAt = -1;
    for (Table& t : tables) {
        if (t.tag == "head")
            set32(t.data, 8, 0); // the adjustment is counted as zero in every checksum
        out.append(t.tag);
        put32(out, checksum(t.data));
        put32(out, offset);
        put32(out, quint32(t.data.size()));
        offset += (quint32(t.data.size()) + 3) & ~3u;
    }
    for (const Table& t : tables) {
        if (t.tag == "head")
            headAt = out.size();
        out.append(t.data);
        while (out.size() % 4)
            out.append('\0');
    }
    set32(out, headAt + 8, kChecksumMagic - checksum(out));
    return font;
}

} // namespace vambrel
