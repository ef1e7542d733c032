#include "SnapshotRows.h"

#include "BulkAllocator.h"

#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

namespace vambrel {

namespace {

constexpr size_t kChunkSize = size_t(4) << 20;
constexpr size_t kDictMaxText = 64; // longer texts are not looked up
constexpr size_t kDictMaxEntries = 1 << 16;
constexpr int kDictTrial = 4096; // lookups before judging whether a column repeats

size_t putVarint(uint8_t* out, uint64_t v) {
    size_t n = 0;
    while (v >= 0x80) {
        out[n++] = static_cast<uint8_t>(v | 0x80);
        v >>= 7;
    }
    out[n++] = static_cast<uint8_t>(v);
    return n;
}

uint64_t getVarint(const uint8_t*& p) {
    uint64_t v = 0;
    int shift = 0;
    while (*p & 0x80) {
        v |= uint64_t(*p++ & 0x7f) << shift;
        shift += 7;
    }
    v |= uint64_t(*p++) << shift;
    return v;
}

uint64_t zigzag(int64_t v) {
    return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}
int64_t unzigzag(uint64_t v) {
    return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
}

// Position just past the value at p.
const uint8_t* skipValue(const uint8_t* p) {
    switch (*p++) {
    case 1: // Int
        getVarint(p);
        return p;
    case 2: // Real
        return p + 8;
    case 3: // Text
    case 4: // Blob
    {
        const uint64_t n = getVarint(p);
        return p + n;
    }
    case 5: // Ref
        return p + 8;
    default:
        return p;
    }
}

} // namespace

struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

struct SnapshotRows::ColumnDict {
    std::string lastText;
    uint64_t lastLocation = 0;
    bool hasLast = false;
    std::unordered_map<std::string, uint64_t, TextHash, std::equal_to<>> seen;
    bool enabled = true;
    int lookups = 0;
    int hits = 0;
};

SnapshotRows::SnapshotRows(std::vector<Column> columns) : m_columns(std::move(columns)) {
    for (size_t i = 0; i < m_columns.size(); ++i)
        m_dicts.push_back(std::make_unique<ColumnDict>());
}

uint8_t* SnapshotRows::reserve(size_t bytes, uint64_t* location) {
    if (m_chunks.empty() || m_used + bytes > m_chunkSizes.back()) {
        const size_t size = std::max(kChunkSize, bytes);
        uint8_t* chunk = nullptr;
        size_t mapped = 0;
        try {
            if (m_chunks.empty()) {
                chunk = new uint8_t[size];
            } else {
                chunk = static_cast<uint8_t*>(BulkAllocator<uint8_t>::mapBulk(size));
                mapped = size;
            }
            m_chunks.emplace_back(chunk, ChunkRelease{mapped});
        } catch (const std::bad_alloc&) {
            ChunkRelease{mapped}(chunk);
            return nullptr;
        }
        m_chunkSizes.push_back(size);
        m_used = 0;
    }
    *location = (uint64_t(m_chunks.size() - 1) << 32) | m_used;
    uint8_t* p = m_chunks.back().get() + m_used;
    m_used += bytes;
    m_bytesUsed += bytes;
    return p;
}

const uint8_t* SnapshotRows::at(uint64_t location) const {
    return m_chunks[location >> 32].get() + (location & 0xffffffffu);
}

bool SnapshotRows::appendRow(sqlite3_stmt* stmt) {
    // Encode into scratch first, then copy: a row never spans two chunks.
    m_scratch.clear();
    std::vector<PendingText>& newTexts = m_newTexts;
    newTexts.clear();
    const int n = columnCount();
    for (int c = 0; c < n; ++c) {
        const int type = sqlite3_column_type(stmt, c);
        uint8_t head[10];
        switch (type) {
        case SQLITE_NULL:
            m_scratch.push_back(Null);
            break;
        case SQLITE_INTEGER: {
            m_scratch.push_back(Int);
            const size_t len = putVarint(head, zigzag(sqlite3_column_int64(stmt, c)));
            m_scratch.insert(m_scratch.end(), head, head + len);
            break;
        }
        case SQLITE_FLOAT: {
            m_scratch.push_back(Real);
            const double d = sqlite3_column_double(stmt, c);
            uint8_t raw[8];
            std::memcpy(raw, &d, 8);
            m_scratch.insert(m_scratch.end(), raw, raw + 8);
            break;
        }
        case SQLITE_TEXT: {
            const auto* text = sqlite3_column_text(stmt, c);
            const auto len = static_cast<size_t>(sqlite3_column_bytes(stmt, c));
            if (text == nullptr && len > 0)
                return false;
            const std::string_view sv(reinterpret_cast<const char*>(text), len);
            ColumnDict& dict = *m_dicts[static_cast<size_t>(c)];
            uint64_t refLocation = 0;
            bool isRef = false;
            if (dict.hasLast && sv == dict.lastText) {
                refLocation = dict.lastLocation;
                isRef = true;
            } else if (dict.enabled && len <= kDictMaxText) {
                ++dict.lookups;
                auto it = dict.seen.find(sv);
                if (it != dict.seen.end()) {
                    refLocation = it->second;
                    isRef = true;
                    ++dict.hits;
                }
                if (dict.lookups == kDictTrial && dict.hits * 4 < dict.lookups) {
                    dict.enabled = false; // names that rarely repeat: the lookups cost more than they save
                    decltype(dict.seen)().swap(dict.seen);
                }
            }
            if (isRef) {
                m_scratch.push_back(Ref);
                uint8_t raw[8];
                std::memcpy(raw, &refLocation, 8);
                m_scratch.insert(m_scratch.end(), raw, raw + 8);
                dict.lastText.assign(sv);
                dict.lastLocation = refLocation;
                dict.hasLast = true;
            } else {
                newTexts.push_back({m_scratch.size(), c});
                m_scratch.push_back(Text);
                const size_t hl = putVarint(head, len);
                m_scratch.insert(m_scratch.end(), head, head + hl);
                m_scratch.insert(m_scratch.end(), sv.begin(), sv.end());
            }
            break;
        }
        default: { // SQLITE_BLOB
            const auto* blob = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, c));
            const auto len = static_cast<size_t>(sqlite3_column_bytes(stmt, c));
            m_scratch.push_back(Blob);
            const size_t hl = putVarint(head, len);
            m_scratch.insert(m_scratch.end(), head, head + hl);
            if (len > 0)
                m_scratch.insert(m_scratch.end(), blob, blob + len);
            break;
        }
        }
    }
    uint64_t location = 0;
    uint8_t* dest = reserve(std::max<size_t>(m_scratch.size(), 1), &location);
    if (dest == nullptr)
        return false;
    std::memcpy(dest, m_scratch.data(), m_scratch.size());
    try {
        m_rows.push_back(location);
        // Remember where the new texts landed, for later rows to refer to.
        for (const PendingText& t : newTexts) {
            ColumnDict& dict = *m_dicts[static_cast<size_t>(t.column)];
            const uint64_t textLocation = location + t.offset;
            const uint8_t* p = dest + t.offset + 1;
            const uint64_t len = getVarint(p);
            const std::string_view sv(reinterpret_cast<const char*>(p), len);
            dict.lastText.assign(sv);
            dict.lastLocation = textLocation;
            dict.hasLast = true;
            if (dict.enabled && len <= kDictMaxText && dict.seen.size() < kDictMaxEntries)
                dict.seen.emplace(std::string(sv), textLocation);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void SnapshotRows::ChunkRelease::operator()(uint8_t* chunk) const {
    if (mapped > 0)
        BulkAllocator<uint8_t>::unmapBulk(chunk, mapped);
    else
        delete[] chunk;
}

SnapshotRows::~SnapshotRows() = default;

void SnapshotRows::finish() {
    m_dicts.clear();
    std::vector<uint8_t>().swap(m_scratch);
    std::vector<PendingText>().swap(m_newTexts);
    m_rows.shrink_to_fit();
}

bool SnapshotRows::append(SnapshotRows* other) {
    if (other->columnCount() != columnCount())
        return false;
    const uint64_t shift = uint64_t(m_chunks.size()) << 32;
    try {
        m_rows.reserve(m_rows.size() + other->m_rows.size());
        m_chunks.reserve(m_chunks.size() + other->m_chunks.size());
        m_chunkSizes.reserve(m_chunks.capacity());
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (auto& chunk : other->m_chunks)
        m_chunks.push_back(std::move(chunk));
    m_chunkSizes.insert(m_chunkSizes.end(), other->m_chunkSizes.begin(), other->m_chunkSizes.end());
    if (!other->m_chunkSizes.empty())
        m_used = other->m_used;
    m_bytesUsed += other->m_bytesUsed;
    // Locations name their chunk: the moved rows, and the texts they refer to, move by as many
    // chunks as were here.
    const int columns = columnCount();
    for (const uint64_t location : other->m_rows) {
        m_rows.push_back(location + shift);
        auto* p = const_cast<uint8_t*>(at(location + shift));
        for (int c = 0; c < columns; ++c) {
            if (*p == Ref) {
                uint64_t referred;
                std::memcpy(&referred, p + 1, 8);
                referred += shift;
                std::memcpy(p + 1, &referred, 8);
            }
            p = const_cast<uint8_t*>(skipValue(p));
        }
    }
    other->m_chunks.clear();
    other->m_chunkSizes.clear();
    other->m_rows.clear();
    other->m_used = other->m_bytesUsed = 0;
    return true;
}

const uint8_t* SnapshotRows::field(qint64 row, int column) const {
    const uint8_t* p = at(m_rows[static_cast<size_t>(row)]);
    for (int c = 0; c < column; ++c)
        p = skipValue(p);
    if (*p == Ref) {
        uint64_t location;
        std::memcpy(&location, p + 1, 8);
        p = at(location);
    }
    return p;
}

SnapshotRows::Cell SnapshotRows::cell(qint64 row, int column) const {
    const uint8_t* p = at(m_rows[static_cast<size_t>(row)]);
    for (int c = 0; c < column; ++c)
        p = skipValue(p);
    uint64_t location = 0;
    if (*p == Ref) {
        std::memcpy(&location, p + 1, 8);
        p = at(location);
    } else {
        location = m_rows[static_cast<size_t>(row)] +
                   static_cast<uint64_t>(p - at(m_rows[static_cast<size_t>(row)]));
    }
    Cell out;
    switch (*p++) {
    case Int:
        out.kind = Cell::Integer;
        out.integer = unzigzag(getVarint(p));
        break;
    case Real:
        out.kind = Cell::Real;
        std::memcpy(&out.real, p, 8);
        break;
    case Text:
    case Blob: {
        out.kind = p[-1] == Text ? Cell::Text : Cell::Blob;
        const uint64_t len = getVarint(p);
        out.bytes = std::string_view(reinterpret_cast<const char*>(p), len);
        out.location = location;
        break;
    }
    default:
        break;
    }
    return out;
}

bool SnapshotRows::isNull(qint64 row, int column) const {
    return *field(row, column) == Null;
}

bool SnapshotRows::textBytes(qint64 row, int column, std::string_view* out) const {
    const uint8_t* p = field(row, column);
    if (*p != Text)
        return false;
    ++p;
    const uint64_t len = getVarint(p);
    *out = std::string_view(reinterpret_cast<const char*>(p), len);
    return true;
}

QVariant SnapshotRows::value(qint64 row, int column) const {
    const uint8_t* p = field(row, column);
    switch (*p++) {
    case Int:
        return QVariant::fromValue<qint64>(unzigzag(getVarint(p)));
    case Real: {
        double d;
        std::memcpy(&d, p, 8);
        return d;
    }
    case Text: {
        const uint64_t len = getVarint(p);
        return QString::fromUtf8(reinterpret_cast<const char*>(p), static_cast<qsizetype>(len));
    }
    case Blob: {
        const uint64_t len = getVarint(p);
        return QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(len));
    }
    default:
        return QVariant();
    }
}

namespace {

size_t rankSlot(int column, SortKind kind) {
    return size_t(column) * 2 + (kind == SortKind::Name ? 0 : 1);
}

} // namespace

SnapshotRows::Ranks SnapshotRows::ranks(int column, SortKind kind) const {
    const std::lock_guard lock(m_ranksMutex);
    const size_t slot = rankSlot(column, kind);
    return column >= 0 && slot < m_ranks.size() ? m_ranks[slot] : nullptr;
}

void SnapshotRows::storeRanks(int column, SortKind kind, Ranks ranks) const {
    if (column < 0 || column >= columnCount())
        return;
    const std::lock_guard lock(m_ranksMutex);
    m_ranks.resize(m_columns.size() * 2);
    m_ranks[rankSlot(column, kind)] = std::move(ranks);
}

qint64 SnapshotRows::memoryUsage() const {
    size_t ranks = 0;
    {
        const std::lock_guard lock(m_ranksMutex);
        for (const Ranks& r : m_ranks)
            ranks += r ? r->capacity() * sizeof(uint32_t) : 0;
    }
    return static_cast<qint64>(m_rows.capacity() * sizeof(uint64_t) + m_bytesUsed + ranks);
}

} // namespace vambrel
