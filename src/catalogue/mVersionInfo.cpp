#include "mVersionInfo.h"

#include "FileDescriptor.h"
#include "SystemCalls.h"
#include "TextHelpers.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vambrel {

namespace {

// Bounds on hostile input. Real resources nest four deep (root, StringFileInfo, table, string)
// and have a few dozen blocks; real images have a few dozen sections and resource types.
constexpr int kMaxDepth = 8;
constexpr int kMaxBlocks = 4096;
constexpr quint32 kMaxSections = 1024;
constexpr quint32 kMaxDirectoryEntries = 4096;
constexpr quint32 kMaxNeAlignShift = 24;
// The first read of a file: enough for the DOS header and, in nearly every image, the PE or NE
// headers and the section table, so that those cost no further read.
constexpr std::size_t kHeadSize = 1024;

constexpr quint16 kPeRtVersion = 16;
constexpr quint16 kNeRtVersion = 0x8010;
constexpr quint32 kVersionResourceId = 1;
constexpr quint32 kFixedSignature = 0xFEEF04BD;
constexpr std::size_t kFixedSize = 52;

quint16 le16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint16(u[0] | (u[1] << 8));
}

quint32 le32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | (quint32(u[1]) << 8) | (quint32(u[2]) << 16) | (quint32(u[3]) << 24);
}

std::size_t align4(std::size_t offset) {
    return (offset + 3) & ~std::size_t(3);
}

// Windows code page 1252, the code page of 16-bit resources: Latin-1 except 0x80-0x9F.
QChar fromCp1252(unsigned char c) {
    static constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return (c >= 0x80 && c < 0xA0) ? QChar(kHigh[c - 0x80]) : QChar(char16_t(c));
}

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// One block of a version resource: [begin, end) with its key, its value and its children.
struct Block {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t keyBegin = 0;
    std::size_t keyEnd = 0;     // excludes the terminating NUL
    std::size_t valueBegin = 0; // the value as declared, cut at the block's end
    std::size_t valueEnd = 0;
    std::size_t childrenBegin = 0;
    quint16 valueLength = 0; // as declared
};

// A VS_VERSIONINFO tree in memory, 32-bit form (UTF-16 keys, wType) or 16-bit form (ANSI keys).
// Offsets are relative to the start of the resource, where the 32-bit alignment is counted from.
class ResourceTree {
public:
    ResourceTree(const char* data, std::size_t size) : m_data(data), m_size(size) {
        // The 16-bit form has its key where the 32-bit form has wType, whose low byte is 0 or 1.
        m_wide = size > 4 && static_cast<unsigned char>(data[4]) < 0x20;
    }

    // The root block after checking the whole tree; nothing when the resource is damaged.
    std::optional<Block> validatedRoot() const {
        Block root;
        if (!parse(0, m_size, root))
            return std::nullopt;
        int count = 0;
        if (!validate(root, 1, count))
            return std::nullopt;
        return root;
    }

    // The first child whose key matches name, compared without regard to ASCII case.
    std::optional<Block> child(const Block& parent, QStringView name) const {
        std::size_t pos = parent.childrenBegin;
        Block b;
        while (nextChild(parent, pos, b)) {
            if (keyEquals(b, name))
                return b;
        }
        return std::nullopt;
    }

    // The text value of a block: up to its first NUL, never past the block's end.
    QString text(const Block& b) const {
        if (b.valueLength == 0)
            return {};
        QString out;
        if (m_wide) {
            for (std::size_t p = b.valueBegin; p + 2 <= b.end; p += 2)
                out.append(QChar(le16(m_data + p)));
        } else {
            for (std::size_t p = b.valueBegin; p < b.end; ++p)
                out.append(fromCp1252(static_cast<unsigned char>(m_data[p])));
        }
        return StripAtNul(out);
    }

private:
    bool parse(std::size_t offset, std::size_t limit, Block& b) const {
        const std::size_t header = m_wide ? 6 : 4;
        if (offset > limit || limit - offset < header)
            return false;
        const std::size_t length = le16(m_data + offset);
        if (length < header || length > limit - offset)
            return false;
        b.begin = offset;
        b.end = offset + length;
        b.valueLength = le16(m_data + offset + 2);
        const bool textValue = m_wide && le16(m_data + offset + 4) == 1;
        b.keyBegin = offset + header;
        std::size_t p = b.keyBegin;
        if (m_wide) {
            while (p + 2 <= b.end && le16(m_data + p) != 0)
                p += 2;
            if (p + 2 > b.end)
                return false; // key without its NUL
            b.keyEnd = p;
            p += 2;
        } else {
            while (p < b.end && m_data[p] != 0)
                ++p;
            if (p >= b.end)
                return false;
            b.keyEnd = p;
            ++p;
        }
        const std::size_t valueBytes = textValue ? std::size_t(b.valueLength) * 2 : b.valueLength;
        b.valueBegin = std::min(align4(p), b.end);
        b.valueEnd = std::min(b.valueBegin + valueBytes, b.end);
        b.childrenBegin = std::min(align4(b.valueBegin + valueBytes), b.end);
        return true;
    }

    // Advances pos to the next child of parent. Zero lengths and a tail shorter than a header
    // are padding and end the list; a child that does not fit its parent is not returned.
    bool nextChild(const Block& parent, std::size_t& pos, Block& b) const {
        const std::size_t header = m_wide ? 6 : 4;
        if (pos >= parent.end || parent.end - pos < header || le16(m_data + pos) == 0)
            return false;
        if (!parse(pos, parent.end, b))
            return false;
        pos = align4(b.end);
        return true;
    }

    bool validate(const Block& b, int depth, int& count) const {
        if (depth > kMaxDepth || ++count > kMaxBlocks)
            return false;
        const std::size_t header = m_wide ? 6 : 4;
        std::size_t pos = b.childrenBegin;
        while (pos < b.end && b.end - pos >= header && le16(m_data + pos) != 0) {
            Block c;
            if (!parse(pos, b.end, c) || !validate(c, depth + 1, count))
                return false;
            pos = align4(c.end);
        }
        return true;
    }

    bool keyEquals(const Block& b, QStringView name) const {
        const std::size_t unit = m_wide ? 2 : 1;
        if ((b.keyEnd - b.keyBegin) / unit != std::size_t(name.size()))
            return false;
        for (qsizetype i = 0; i < name.size(); ++i) {
            const std::size_t p = b.keyBegin + std::size_t(i) * unit;
            const char16_t c =
                m_wide ? le16(m_data + p) : fromCp1252(static_cast<unsigned char>(m_data[p])).unicode();
            if (asciiLower(c) != asciiLower(name[i].unicode()))
                return false;
        }
        return true;
    }

    const char* m_data;
    std::size_t m_size;
    bool m_wide = true;
};

// An image held in memory.
class MemorySource {
public:
    MemorySource(const char* data, std::size_t size) : m_data(data), m_size(size) {}
    quint64 size() const { return m_size; }
    // length bytes at offset, or null when they are not all there. Valid until the next call
    // with the same scratch buffer.
    const char* fetch(quint64 offset, std::size_t length, std::vector<char>&) const {
        if (offset > m_size || length > m_size - offset)
            return nullptr;
        return m_data + offset;
    }

private:
    const char* m_data;
    std::size_t m_size;
};

bool preadFully(int fd, char* out, std::size_t length, quint64 offset) {
    while (length > 0) {
        const ssize_t n = sys::pread(fd, out, length, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        length -= std::size_t(n);
        offset += quint64(n);
    }
    return true;
}

// A regular file read at checked offsets; its first bytes are read once and kept.
class FileSource {
public:
    FileSource(int fd, quint64 size) : m_fd(fd), m_size(size) {}

    bool readHead() {
        m_headLength = std::size_t(std::min<quint64>(m_size, kHeadSize));
        return preadFully(m_fd, m_head.data(), m_headLength, 0);
    }

    quint64 size() const { return m_size; }

    const char* fetch(quint64 offset, std::size_t length, std::vector<char>& scratch) const {
        if (offset > m_size || length > m_size - offset)
            return nullptr;
        if (offset + length <= m_headLength)
            return m_head.data() + offset;
        scratch.resize(length);
        return preadFully(m_fd, scratch.data(), length, offset) ? scratch.data() : nullptr;
    }

private:
    int m_fd;
    quint64 m_size;
    std::array<char, kHeadSize> m_head{};
    std::size_t m_headLength = 0;
};

struct Section {
    quint32 virtualAddress;
    quint32 rawSize;
    quint32 rawPointer;
};

// File offset of length bytes at rva, when a section holds them all in the file.
std::optional<quint64> mapRva(const std::vector<Section>& sections, quint64 rva, quint64 length) {
    for (const Section& s : sections) {
        if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize &&
            length <= s.rawSize - (rva - s.virtualAddress))
            return quint64(s.rawPointer) + (rva - s.virtualAddress);
    }
    return std::nullopt;
}

template <class Source> VersionInfo resourceAt(const Source& source, quint64 offset, quint64 length) {
    if (length == 0 || offset >= source.size())
        return {};
    const std::size_t n = std::size_t(std::min<quint64>(length, kVersionMaxResourceSize));
    std::vector<char> scratch;
    const char* data = source.fetch(offset, n, scratch);
    return data ? ParseVersionResource(data, n) : VersionInfo{};
}

// The value of the first ID entry of the resource directory at dirOffset accepted by match.
template <class Source, class Match>
std::optional<quint32> directoryEntry(const Source& source, const std::vector<Section>& sections,
                                      quint32 rsrcRva, quint32 dirOffset, Match match) {
    std::vector<char> scratch;
    const quint64 dirRva = quint64(rsrcRva) + dirOffset;
    const auto headerAt = mapRva(sections, dirRva, 16);
    const char* header = headerAt ? source.fetch(*headerAt, 16, scratch) : nullptr;
    if (!header)
        return std::nullopt;
    const quint32 named = le16(header + 12);
    const quint32 ids = le16(header + 14);
    if (ids == 0 || ids > kMaxDirectoryEntries)
        return std::nullopt;
    const quint64 entriesRva = dirRva + 16 + quint64(named) * 8;
    const auto entriesAt = mapRva(sections, entriesRva, quint64(ids) * 8);
    const char* entries = entriesAt ? source.fetch(*entriesAt, std::size_t(ids) * 8, scratch) : nullptr;
    if (!entries)
        return std::nullopt;
    for (quint32 i = 0; i < ids; ++i) {
        if (match(le32(entries + i * 8)))
            return le32(entries + i * 8 + 4);
    }
    return std::nullopt;
}

template <class Source> VersionInfo parsePe(const Source& source, quint32 peOffset) {
    std::vector<char> scratch;
    const char* coff = source.fetch(peOffset, 24, scratch);
    if (!coff || std::memcmp(coff, "PE\0\0", 4) != 0)
        return {};
    const quint32 sectionCount = le16(coff + 6);
    const quint32 optionalSize = le16(coff + 20);
    if (sectionCount == 0 || sectionCount > kMaxSections)
        return {};

    const char* opt = source.fetch(quint64(peOffset) + 24, optionalSize, scratch);
    if (!opt || optionalSize < 2)
        return {};
    const quint16 magic = le16(opt);
    const std::size_t directories = magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0;
    if (directories == 0 || optionalSize < directories + 3 * 8 || le32(opt + directories - 4) < 3)
        return {};
    const quint32 rsrcRva = le32(opt + directories + 2 * 8);
    if (rsrcRva == 0)
        return {};

    const char* table =
        source.fetch(quint64(peOffset) + 24 + optionalSize, std::size_t(sectionCount) * 40, scratch);
    if (!table)
        return {};
    std::vector<Section> sections(sectionCount);
    for (quint32 i = 0; i < sectionCount; ++i) {
        const char* s = table + i * 40;
        sections[i] = {le32(s + 12), le32(s + 16), le32(s + 20)};
    }

    // Type RT_VERSION, then name VS_VERSION_INFO (1), then the first language.
    constexpr quint32 kSubdirectory = 0x80000000u;
    const auto byType =
        directoryEntry(source, sections, rsrcRva, 0, [](quint32 id) { return id == kPeRtVersion; });
    if (!byType || !(*byType & kSubdirectory))
        return {};
    const auto byName = directoryEntry(source, sections, rsrcRva, *byType & ~kSubdirectory,
                                       [](quint32 id) { return id == kVersionResourceId; });
    if (!byName || !(*byName & kSubdirectory))
        return {};
    const auto byLanguage =
        directoryEntry(source, sections, rsrcRva, *byName & ~kSubdirectory, [](quint32) { return true; });
    if (!byLanguage || (*byLanguage & kSubdirectory))
        return {};

    const auto entryAt = mapRva(sections, quint64(rsrcRva) + *byLanguage, 16);
    const char* entry = entryAt ? source.fetch(*entryAt, 16, scratch) : nullptr;
    if (!entry)
        return {};
    const quint32 dataRva = le32(entry);
    const quint32 dataSize = le32(entry + 4);
    const quint64 length = std::min<quint64>(dataSize, kVersionMaxResourceSize);
    const auto dataAt = mapRva(sections, dataRva, length);
    return dataAt ? resourceAt(source, *dataAt, length) : VersionInfo{};
}

template <class Source> VersionInfo parseNe(const Source& source, quint32 neOffset) {
    std::vector<char> scratch;
    const char* ne = source.fetch(neOffset, 64, scratch);
    if (!ne)
        return {};
    const quint32 tableOffset = le16(ne + 0x24);
    const quint32 namesOffset = le16(ne + 0x26); // the resident names follow the resource table
    if (namesOffset <= tableOffset || namesOffset - tableOffset < 4)
        return {};
    const std::size_t tableLength = namesOffset - tableOffset;
    const char* table = source.fetch(quint64(neOffset) + tableOffset, tableLength, scratch);
    if (!table)
        return {};
    const quint32 shift = le16(table);
    if (shift > kMaxNeAlignShift)
        return {};
    // Each type entry is 8 bytes followed by its 12-byte resource entries, so the walk ends within
    // the table.
    std::size_t pos = 2;
    while (tableLength - pos >= 2) {
        const quint16 type = le16(table + pos);
        if (type == 0 || tableLength - pos < 8)
            break;
        const std::size_t count = le16(table + pos + 2);
        pos += 8;
        if (count * 12 > tableLength - pos)
            return {};
        if (type == kNeRtVersion) {
            for (std::size_t i = 0; i < count; ++i) {
                const char* r = table + pos + i * 12;
                if (le16(r + 6) != (0x8000 | kVersionResourceId))
                    continue;
                const quint64 offset = quint64(le16(r)) << shift;
                quint64 length = quint64(le16(r + 2)) << shift;
                // The last resource of a file may lack the padding up to its aligned length.
                if (offset < source.size())
                    length = std::min(length, source.size() - offset);
                return resourceAt(source, offset, length);
            }
            return {};
        }
        pos += count * 12;
    }
    return {};
}

template <class Source> VersionInfo parseImage(const Source& source) {
    std::vector<char> scratch;
    const char* dos = source.fetch(0, 64, scratch);
    if (!dos || dos[0] != 'M' || dos[1] != 'Z')
        return {};
    const quint32 newHeader = le32(dos + 0x3C);
    // Linkers place the new header after the DOS header; overlapping tricks are not supported.
    if (newHeader < 64)
        return {};
    const char* signature = source.fetch(newHeader, 2, scratch);
    if (!signature)
        return {};
    if (signature[0] == 'P' && signature[1] == 'E')
        return parsePe(source, newHeader);
    if (signature[0] == 'N' && signature[1] == 'E')
        return parseNe(source, newHeader);
    return {};
}

QString signedWord(quint32 word) {
    return QString::number(static_cast<qint16>(static_cast<quint16>(word)));
}

QString fourWords(quint32 ms, quint32 ls) {
    return signedWord(ms >> 16) + u'.' + signedWord(ms & 0xFFFF) + u'.' + signedWord(ls >> 16) + u'.' +
           signedWord(ls & 0xFFFF);
}

} // namespace

VersionFixed RenderFixedInfo(std::span<const quint32, 13> f) {
    static constexpr std::array<const char16_t*, 6> kFlags = {u"Fonctions de débogage implémentées",
                                                              u"Version de développement",
                                                              u"Fichier modifié",
                                                              u"Fichier privé non diffusable",
                                                              u"Informations de version créées dynamiquement",
                                                              u"Variante spéciale"};
    static constexpr std::array<const char16_t*, 11> kDriverSubtypes = {u"Inconnu",
                                                                        u"Gestionnaire d'imprimante",
                                                                        u"Gestionnaire de clavier",
                                                                        u"Gestionnaire de langue",
                                                                        u"Gestionnaire de carte graphique",
                                                                        u"Gestionnaire de souris",
                                                                        u"Gestionnaire de réseau",
                                                                        u"Gestionnaire système",
                                                                        u"Gestionnaire installable",
                                                                        u"Gestionnaire de sons",
                                                                        u"Gestionnaire de communication"};
    static constexpr std::array<const char16_t*, 3> kFontSubtypes = {
        u"Police en mode point", u"Police vectorielle", u"Police TrueType"};

    const quint32 structVersion = f[1];
    const quint32 flags = f[7];
    const quint32 os = f[8];
    const quint32 type = f[9];
    const quint32 subtype = f[10];

    VersionFixed out;
    out.structVersion = signedWord(structVersion >> 16) + u'.' + signedWord(structVersion & 0xFFFF);
    out.fileVersion = fourWords(f[2], f[3]);
    out.productVersion = fourWords(f[4], f[5]);

    for (std::size_t bit = 0; bit < kFlags.size(); ++bit) {
        if (flags & (1u << bit))
            out.attributes += QString::fromUtf16(kFlags[bit]) + QStringLiteral(" - ");
    }
    out.attributes.chop(out.attributes.isEmpty() ? 0 : 3);

    switch (os) {
    case 0x10001:
        out.os = QStringLiteral("DOS-Windows 16 bits");
        break;
    case 0x10004:
        out.os = QStringLiteral("DOS-Windows 32 bits");
        break;
    case 0x20002:
        out.os = QStringLiteral("OS/2-Presentation Manager 16 bits");
        break;
    case 0x30003:
        out.os = QStringLiteral("OS/2 16 bits Presentation Manager 32 bits");
        break;
    case 0x40004:
        out.os = QStringLiteral("Windows 32 bits");
        break;
    default:
        out.os = QStringLiteral("Inconnu");
        break;
    }

    switch (type) {
    case 1:
        out.fileType = QStringLiteral("Application");
        break;
    case 2:
        out.fileType = QString::fromUtf16(u"Bibliothèque de liens dynamiques");
        break;
    case 3:
        out.fileType = QString::fromUtf16(u"Gestionnaire de périphérique");
        if (subtype < kDriverSubtypes.size())
            out.subtype = QString::fromUtf16(kDriverSubtypes[subtype]);
        break;
    case 4:
        out.fileType = QStringLiteral("Police de caractères");
        if (subtype >= 1 && subtype <= kFontSubtypes.size())
            out.subtype = QString::fromUtf16(kFontSubtypes[subtype - 1]);
        break;
    case 5:
        out.fileType = QStringLiteral("Gestionnaire virtuel");
        break;
    case 7:
        out.fileType = QString::fromUtf16(u"Bibliothèque de liens statiques");
        break;
    default:
        out.fileType = QStringLiteral("Inconnu");
        break;
    }
    return out;
}

VersionInfo ParseVersionResource(const char* data, std::size_t size) {
    static constexpr std::array<const char16_t*, 8> kNames = {
        u"CompanyName",    u"FileDescription",  u"FileVersion", u"InternalName",
        u"LegalCopyright", u"OriginalFileName", u"ProductName", u"ProductVersion"};
    VersionInfo info;
    if (!data || size < 6)
        return info;
    try {
        const ResourceTree tree(data, size);
        const auto root = tree.validatedRoot();
        if (!root)
            return info;

        if (root->valueEnd - root->valueBegin >= kFixedSize &&
            le32(data + root->valueBegin) == kFixedSignature) {
            std::array<quint32, 13> fields{};
            for (std::size_t i = 0; i < fields.size(); ++i)
                fields[i] = le32(data + root->valueBegin + i * 4);
            info.fixed = RenderFixedInfo(fields);
            info.hasFixed = true;
        }

        const auto var = tree.child(*root, u"VarFileInfo");
        const auto translation = var ? tree.child(*var, u"Translation") : std::nullopt;
        if (translation && translation->valueEnd - translation->valueBegin >= 4) {
            const quint16 language = le16(data + translation->valueBegin);
            const quint16 codePage = le16(data + translation->valueBegin + 2);
            const QString key = QStringLiteral("%1%2")
                                    .arg(language, 4, 16, QLatin1Char('0'))
                                    .arg(codePage, 4, 16, QLatin1Char('0'))
                                    .toUpper();
            std::array<QString, 8> values;
            const auto strings = tree.child(*root, u"StringFileInfo");
            const auto table = strings ? tree.child(*strings, key) : std::nullopt;
            if (table) {
                for (std::size_t i = 0; i < kNames.size(); ++i) {
                    if (const auto value = tree.child(*table, QStringView(kNames[i])))
                        values[i] = tree.text(*value);
                }
            }
            info.strings = {values[0], values[1], values[2], values[3],
                            values[4], values[5], values[6], values[7]};
            info.hasStrings = true;
        }
        return info;
    } catch (...) {
        return {};
    }
}

VersionInfo ParseVersionImage(const char* data, std::size_t size) {
    if (!data || size < kVersionMinImageSize)
        return {};
    try {
        return parseImage(MemorySource(data, size));
    } catch (...) {
        return {};
    }
}

namespace {

// Opens a name already known to be a regular file and reads it. O_NONBLOCK: should a FIFO take
// the name's place, opening it must not wait for a writer; the descriptor is checked again.
enum class Known { Nothing, ListedRegular };

VersionInfo readOpened(int folderFd, const QByteArray& nativePath, int extraFlags, Known known) {
    const FileDescriptor fd(sys::openat(folderFd, nativePath.constData(),
                                        O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | extraFlags));
    if (fd.get() < 0)
        return {};
    // A name just listed as a regular file: most files are not images, and for them the open and
    // this read of two bytes are all the work (a FIFO put in its place fails to read). Only an
    // image is looked at more closely.
    if (known == Known::ListedRegular) {
        char signature[2];
        if (sys::pread(fd.get(), signature, 2, 0) != 2 || signature[0] != 'M' || signature[1] != 'Z')
            return {};
    }
    struct stat st;
    if (sys::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        quint64(st.st_size) < kVersionMinImageSize)
        return {};
    FileSource source(fd.get(), quint64(st.st_size));
    if (!source.readHead())
        return {};
    return parseImage(source);
}

} // namespace

VersionInfo ReadVersionInfo(const QByteArray& nativePath, qint64 knownSize) {
    if (knownSize >= 0 && quint64(knownSize) < kVersionMinImageSize)
        return {};
    if (nativePath.isEmpty() || nativePath.contains('\0'))
        return {};
    try {
        // Devices, FIFOs and sockets are never opened: opening some of them has effects.
        struct stat named;
        if (sys::fstatat(AT_FDCWD, nativePath.constData(), &named, 0) != 0 || !S_ISREG(named.st_mode) ||
            named.st_size < 0 || quint64(named.st_size) < kVersionMinImageSize)
            return {};
        return readOpened(AT_FDCWD, nativePath, 0, Known::Nothing);
    } catch (...) {
        return {};
    }
}

VersionInfo ReadListedVersionInfo(const QByteArray& nativePath, qint64 listedSize) {
    if (listedSize < 0 || quint64(listedSize) < kVersionMinImageSize)
        return {};
    if (nativePath.isEmpty() || nativePath.contains('\0'))
        return {};
    try {
        // O_NOFOLLOW: a link put in the file's place is not opened, whatever it points to.
        return readOpened(AT_FDCWD, nativePath, O_NOFOLLOW, Known::ListedRegular);
    } catch (...) {
        return {};
    }
}

VersionInfo ReadListedVersionInfo(int folderFd, const QByteArray& name, qint64 listedSize) {
    if (listedSize < 0 || quint64(listedSize) < kVersionMinImageSize)
        return {};
    if (name.isEmpty() || name.contains('\0') || name.contains('/'))
        return {};
    try {
        return readOpened(folderFd, name, O_NOFOLLOW, Known::ListedRegular);
    } catch (...) {
        return {};
    }
}

VersionInfo ReadVersionInfo(const QString& path, qint64 knownSize) {
    return ReadVersionInfo(QFile::encodeName(path), knownSize);
}

bool ReadStringValues(const QString& path, VersionStrings& out) {
    out = {};
    const VersionInfo info = ReadVersionInfo(path);
    if (!info.hasStrings)
        return false;
    out = info.strings;
    return true;
}

bool ReadFixedInfo(const QString& path, VersionFixed& out) {
    out = {};
    const VersionInfo info = ReadVersionInfo(path);
    if (!info.hasFixed)
        return false;
    out = info.fixed;
    return true;
}

} // namespace vambrel
