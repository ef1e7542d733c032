#include "ListingPdfWriter.h"

#include "ListingLayout.h"
#include "TrueTypeFont.h"

#include <QDateTime>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace vambrel {

namespace {

using L = ListingLayout;
using Item = ListingPageComposer::Item;

// Object numbers: the fixed objects, five a face, then a page object and its content a page.
constexpr int kCatalog = 1;
constexpr int kPages = 2;
constexpr int kInfo = 3;
constexpr int kResources = 4;
constexpr int kFirstFace = 5;
constexpr int kObjectsPerFace = 5;
constexpr int kFaces = 2;
constexpr int kFirstPage = kFirstFace + kFaces * kObjectsPerFace;

// Page streams are text that deflates well at the fast levels; the cost of the higher ones
// would be most of the printing time.
constexpr int kDeflateLevel = 1;

constexpr double kFontPoints = L::kFontTwips / 20.0;

void appendInt(std::string& s, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
}

// A number given in hundredths, written with at most two decimals.
void appendCenti(std::string& s, long long v) {
    if (v < 0) {
        s += '-';
        v = -v;
    }
    appendInt(s, v / 100);
    const int f = int(v % 100);
    if (f != 0) {
        s += '.';
        s += char('0' + f / 10);
        if (f % 10 != 0)
            s += char('0' + f % 10);
    }
}

long long centi(double v) {
    return std::llround(v * 100);
}

void appendHex4(std::string& s, unsigned v) {
    static const char digits[] = "0123456789ABCDEF";
    s += digits[(v >> 12) & 15];
    s += digits[(v >> 8) & 15];
    s += digits[(v >> 4) & 15];
    s += digits[v & 15];
}

// A text string as UTF-16 with its byte-order mark, in hexadecimal: any character survives.
std::string textString(const QString& text) {
    std::string s = "<FEFF";
    for (QChar c : text)
        appendHex4(s, c.unicode());
    s += '>';
    return s;
}

// A name token: letters and digits as they are, anything else dropped.
std::string nameToken(const QString& text) {
    std::string s;
    for (QChar c : text)
        if (c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('-')))
            s += char(c.unicode());
    return s.empty() ? std::string("Font") : s;
}

void appendObjectRef(std::string& s, int object) {
    appendInt(s, object);
    s += " 0 R";
}

class Deflater {
public:
    Deflater() { m_ok = deflateInit_(&m_stream, kDeflateLevel, ZLIB_VERSION, int(sizeof(z_stream))) == Z_OK; }
    ~Deflater() {
        if (m_ok)
            deflateEnd(&m_stream);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // A zlib stream of `in`, which is what FlateDecode reads.
    bool compress(const std::string& in, std::string& out) {
        if (!m_ok || deflateReset(&m_stream) != Z_OK)
            return false;
        out.resize(deflateBound(&m_stream, uLong(in.size())));
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        m_stream.avail_in = uInt(in.size());
        m_stream.next_out = reinterpret_cast<Bytef*>(out.data());
        m_stream.avail_out = uInt(out.size());
        if (deflate(&m_stream, Z_FINISH) != Z_STREAM_END)
            return false;
        out.resize(out.size() - m_stream.avail_out);
        return true;
    }

private:
    z_stream m_stream{};
    bool m_ok = false;
};

// One face of the report as an embedded font: its glyphs looked up once per character, and the
// glyphs used, with their widths and characters, for the font's width array and its ToUnicode
// map (which text extraction reads).
class Face {
public:
    explicit Face(const QRawFont& raw) : m_raw(raw) {
        if (!raw.isValid())
            return;
        m_font = TrueTypeFont::fromTables([&raw](const char* tag) { return raw.fontTable(tag); });
        if (!m_font)
            return;
        m_glyphOf.assign(0x10000, kNotLookedUp);
        m_advance.assign(size_t(m_font->glyphCount()), -1.0);
        m_character.assign(size_t(m_font->glyphCount()), kUnused);
    }

    bool valid() const { return m_font.has_value(); }
    const TrueTypeFont& font() const { return *m_font; }

    // Appends the glyph indexes of `text` in hexadecimal and gives its width in twips, the same
    // glyphs and advances as the drawing takes from the raw font; false when a character has
    // no glyph in this face.
    bool shape(const QString& text, std::string& hex, double* width) {
        double w = 0;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            quint16 g = m_glyphOf[u];
            if (g == kNotLookedUp)
                g = m_glyphOf[u] = lookUp(c);
            if (g == 0)
                return false;
            double& advance = m_advance[g];
            if (advance < 0) {
                const quint32 index = g;
                QPointF a;
                advance =
                    m_raw.advancesForGlyphIndexes(&index, &a, 1, QRawFont::SeparateAdvances) ? a.x() : 0.0;
            }
            w += advance;
            if (m_character[g] == kUnused)
                m_character[g] = u;
            appendHex4(hex, g);
        }
        *width = w;
        return true;
    }

    // The widths of the glyphs used, in thousandths of the font size.
    std::string widths() const {
        std::string s = "[";
        for (size_t g = 0; g < m_character.size(); ++g) {
            if (m_character[g] == kUnused)
                continue;
            appendInt(s, qint64(g));
            s += " [";
            appendCenti(s, centi(m_advance[g] * 1000.0 / L::kFontTwips));
            s += "] ";
        }
        s += ']';
        return s;
    }

    std::string toUnicode() const {
        std::string s = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
        std::vector<quint16> used;
        for (size_t g = 0; g < m_character.size(); ++g)
            if (m_character[g] != kUnused)
                used.push_back(quint16(g));
        // At most 100 entries a block.
        for (size_t i = 0; i < used.size(); i += 100) {
            const size_t n = std::min<size_t>(100, used.size() - i);
            appendInt(s, qint64(n));
            s += " beginbfchar\n";
            for (size_t j = i; j < i + n; ++j) {
                s += '<';
                appendHex4(s, used[j]);
                s += "> <";
                appendHex4(s, unsigned(m_character[used[j]]));
                s += ">\n";
            }
            s += "endbfchar\n";
        }
        s += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
        return s;
    }

    std::string baseName(bool bold) const { return nameToken(m_raw.familyName()) + (bold ? "-Bold" : ""); }

private:
    static constexpr quint16 kNotLookedUp = 0xFFFF;
    static constexpr quint32 kUnused = 0xFFFFFFFF;

    quint16 lookUp(QChar c) const {
        if (c.isSurrogate())
            return 0;
        quint32 g = 0;
        int n = 1;
        if (!m_raw.glyphIndexesForChars(&c, 1, &g, &n) || n != 1 || g >= quint32(m_font->glyphCount()) ||
            g >= kNotLookedUp)
            return 0;
        return quint16(g);
    }

    QRawFont m_raw;
    std::optional<TrueTypeFont> m_font;
    std::vector<quint16> m_glyphOf;   // per UTF-16 unit; 0: no glyph
    std::vector<double> m_advance;    // per glyph, twips; negative until asked
    std::vector<quint32> m_character; // per glyph, the first character drawn with it
};

// The output file, with the offset of every object for the cross-reference table.
class PdfFile {
public:
    PdfFile(QSaveFile& file, int objects) : m_file(file), m_offsets(size_t(objects) + 1, 0) {}

    // Marks the start of object `n` at the current end of `pending` (not yet written).
    void begin(std::string& pending, int n) {
        m_offsets[size_t(n)] = m_position + qint64(pending.size());
        appendInt(pending, n);
        pending += " 0 obj\n";
    }
    void stream(std::string& pending, int n, const std::string& extra, const std::string& data) {
        begin(pending, n);
        pending += "<< /Length ";
        appendInt(pending, qint64(data.size()));
        pending += " /Filter /FlateDecode";
        pending += extra;
        pending += " >>\nstream\n";
        pending += data;
        pending += "\nendstream\nendobj\n";
    }
    bool write(std::string& pending) {
        const qint64 n = qint64(pending.size());
        const bool ok = m_file.write(pending.data(), n) == n;
        m_position += n;
        pending.clear();
        return ok;
    }
    void crossReference(std::string& pending) const {
        const qint64 at = m_position + qint64(pending.size());
        pending += "xref\n0 ";
        appendInt(pending, qint64(m_offsets.size()));
        pending += "\n0000000000 65535 f \n";
        char line[32];
        for (size_t i = 1; i < m_offsets.size(); ++i) {
            std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(m_offsets[i]));
            pending += line;
        }
        pending += "trailer\n<< /Size ";
        appendInt(pending, qint64(m_offsets.size()));
        pending += " /Root ";
        appendObjectRef(pending, kCatalog);
        pending += " /Info ";
        appendObjectRef(pending, kInfo);
        pending += " >>\nstartxref\n";
        appendInt(pending, at);
        pending += "\n%%EOF\n";
    }

private:
    QSaveFile& m_file;
    std::vector<qint64> m_offsets;
    qint64 m_position = 0;
};

QString stoppedBefore(int page) {
    return QStringLiteral("L'impression s'est arrêtée avant la page ") + QString::number(page) +
           QLatin1Char('.');
}

QString notFinished() {
    return QStringLiteral("L'impression n'a pas pu être terminée.");
}

} // namespace

ListingPdfWriter::ListingPdfWriter(const ListingPageComposer& composer, Faces faces)
    : m_composer(composer), m_faces(std::move(faces)) {}

ListingPdfWriter::Outcome ListingPdfWriter::write(const QString& fileName, const QPageLayout& layout,
                                                  const QString& title, int first, int last,
                                                  QString* error) const {
    const auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return Outcome::Failed;
    };
    Face faces[kFaces] = {Face(m_faces.regular), Face(m_faces.bold)};
    if (!faces[0].valid() || !faces[1].valid())
        return Outcome::NotShowable;
    if (first < 1 || last < first)
        return fail(notFinished());

    // Not committed, the temporary file goes with this object.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("Impossible d'écrire le fichier ") + fileName + QLatin1Char('.'));
    const int pageCount = last - first + 1;
    PdfFile pdf(file, kFirstPage + 2 * pageCount - 1);
    std::string pending = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";

    const QRectF paper = layout.fullRect(QPageLayout::Point);
    const long long height = centi(paper.height());
    std::string pageDictionary = " /Resources ";
    appendObjectRef(pageDictionary, kResources);
    pageDictionary += " /MediaBox [0 0 ";
    appendCenti(pageDictionary, centi(paper.width()));
    pageDictionary += ' ';
    appendCenti(pageDictionary, height);
    pageDictionary += "] /Contents ";

    Deflater deflater;
    std::string content, packed;
    struct Underline {
        long long x, y, width, height;
    };
    std::vector<Underline> underlines;
    const long long thickness = centi(m_faces.underlineThickness / 20);
    for (int p = first; p <= last; ++p) {
        content.clear();
        underlines.clear();
        // One text object a line: a move to each text, the face set when it changes.
        bool inText = false;
        int face = -1;
        long long lineX = 0, lineY = 0;
        for (const Item& item : m_composer.page(p, false)) {
            if (item.kind == Item::Rule) {
                if (inText)
                    content += "ET\n";
                inText = false;
                const long long y = height - centi(item.y / 20);
                content += "0 w ";
                appendCenti(content, centi(item.x / 20));
                content += ' ';
                appendCenti(content, y);
                content += " m ";
                appendCenti(content, centi(item.x2 / 20));
                content += ' ';
                appendCenti(content, y);
                content += " l S\n";
                continue;
            }
            const int f = item.bold ? 1 : 0;
            const long long x = centi(item.x / 20);
            const double baseline = item.y + m_faces.ascent;
            const long long y = height - centi(baseline / 20);
            if (!inText || y != lineY) {
                if (inText)
                    content += "ET\n";
                content += "BT\n";
                inText = true;
                face = -1;
                appendCenti(content, x);
                content += ' ';
                appendCenti(content, y);
            } else {
                appendCenti(content, x - lineX);
                content += " 0";
            }
            content += " Td\n";
            lineX = x;
            lineY = y;
            if (f != face) {
                content += f == 1 ? "/F2 " : "/F1 ";
                appendCenti(content, centi(kFontPoints));
                content += " Tf\n";
                face = f;
            }
            content += '<';
            double width = 0;
            if (!faces[f].shape(item.text, content, &width))
                return Outcome::NotShowable;
            content += "> Tj\n";
            if (item.underline) {
                const double middle = baseline + m_faces.underlinePosition;
                underlines.push_back(
                    {x, height - centi(middle / 20) - thickness / 2, centi(width / 20), thickness});
            }
        }
        if (inText)
            content += "ET\n";
        for (const Underline& u : underlines) {
            appendCenti(content, u.x);
            content += ' ';
            appendCenti(content, u.y);
            content += ' ';
            appendCenti(content, u.width);
            content += ' ';
            appendCenti(content, u.height);
            content += " re f\n";
        }
        if (!deflater.compress(content, packed))
            return fail(stoppedBefore(p));
        const int object = kFirstPage + 2 * (p - first);
        pdf.begin(pending, object);
        pending += "<< /Type /Page /Parent ";
        appendObjectRef(pending, kPages);
        pending += pageDictionary;
        appendObjectRef(pending, object + 1);
        pending += " >>\nendobj\n";
        pdf.stream(pending, object + 1, std::string(), packed);
        if (!pdf.write(pending))
            return fail(stoppedBefore(p));
    }

    // The faces, once every glyph drawn is known.
    for (int f = 0; f < kFaces; ++f) {
        const Face& face = faces[f];
        const TrueTypeFont& font = face.font();
        const int base = kFirstFace + kObjectsPerFace * f;
        const std::string name = "/" + face.baseName(f == 1);
        const auto units = [&font](int v) { return centi(v * 1000.0 / font.unitsPerEm()); };
        pdf.begin(pending, base);
        pending +=
            "<< /Type /Font /Subtype /Type0 /BaseFont " + name + " /Encoding /Identity-H /DescendantFonts [";
        appendObjectRef(pending, base + 1);
        pending += "] /ToUnicode ";
        appendObjectRef(pending, base + 4);
        pending += " >>\nendobj\n";
        pdf.begin(pending, base + 1);
        pending +=
            "<< /Type /Font /Subtype /CIDFontType2 /BaseFont " + name +
            " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor ";
        appendObjectRef(pending, base + 2);
        pending += " /CIDToGIDMap /Identity /W " + face.widths() + " >>\nendobj\n";
        pdf.begin(pending, base + 2);
        pending += "<< /Type /FontDescriptor /FontName " + name + " /Flags 32 /FontBBox [";
        for (int v : {font.xMin(), font.yMin(), font.xMax(), font.yMax()}) {
            appendCenti(pending, units(v));
            pending += ' ';
        }
        pending += "] /ItalicAngle 0 /Ascent ";
        appendCenti(pending, units(font.ascent()));
        pending += " /Descent ";
        appendCenti(pending, units(font.descent()));
        pending += " /CapHeight ";
        appendCenti(pending, units(font.capHeight()));
        pending += f == 1 ? " /StemV 140" : " /StemV 80";
        pending += " /FontFile2 ";
        appendObjectRef(pending, base + 3);
        pending += " >>\nendobj\n";
        const std::string bytes(font.file().constData(), size_t(font.file().size()));
        if (!deflater.compress(bytes, packed))
            return fail(notFinished());
        std::string length1 = " /Length1 ";
        appendInt(length1, qint64(bytes.size()));
        pdf.stream(pending, base + 3, length1, packed);
        if (!deflater.compress(face.toUnicode(), packed))
            return fail(notFinished());
        pdf.stream(pending, base + 4, std::string(), packed);
        if (!pdf.write(pending))
            return fail(notFinished());
    }

    pdf.begin(pending, kResources);
    pending += "<< /Font << /F1 ";
    appendObjectRef(pending, kFirstFace);
    pending += " /F2 ";
    appendObjectRef(pending, kFirstFace + kObjectsPerFace);
    pending += " >> >>\nendobj\n";
    pdf.begin(pending, kPages);
    pending += "<< /Type /Pages /Count ";
    appendInt(pending, pageCount);
    pending += " /Kids [";
    for (int i = 0; i < pageCount; ++i) {
        appendObjectRef(pending, kFirstPage + 2 * i);
        pending += ' ';
    }
    pending += "] >>\nendobj\n";
    pdf.begin(pending, kCatalog);
    pending += "<< /Type /Catalog /Pages ";
    appendObjectRef(pending, kPages);
    pending += " >>\nendobj\n";
    pdf.begin(pending, kInfo);
    pending += "<< /Title " + textString(title) + " /Producer (Vambrel) /CreationDate (D:" +
               QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")).toStdString() +
               ") >>\nendobj\n";
    pdf.crossReference(pending);
    if (!pdf.write(pending) || !commit(file))
        return fail(notFinished());
    return Outcome::Written;
}

bool ListingPdfWriter::commit(QSaveFile& file) {
    if (!file.flush() || file.error() != QFileDevice::NoError || ::fsync(file.handle()) != 0)
        return false;
    return file.commit();
}

} // namespace vambrel
