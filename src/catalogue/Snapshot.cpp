#include "Snapshot.h"

#include "BulkAllocator.h"
#include "FileTime.h"
#include "SnapshotRows.h"
#include "SortKey.h"
#include "SqliteStatement.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace vambrel {

namespace {

QString columnString(const char* text) {
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

// "[Folders].[Nom]", "Folders!Nom" and "Folders.Nom" all name table Folders, field Nom.
bool splitQualified(QStringView name, QString* table, QString* field) {
    qsizetype dot = -1;
    bool inBracket = false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == u'[')
            inBracket = true;
        else if (name[i] == u']')
            inBracket = false;
        else if (!inBracket && (name[i] == u'.' || name[i] == u'!'))
            dot = i;
    }
    if (dot < 0)
        return false;
    auto unbracket = [](QStringView s) {
        s = s.trimmed();
        if (s.size() >= 2 && s.front() == u'[' && s.back() == u']')
            s = s.mid(1, s.size() - 2);
        return s.toString();
    };
    *table = unbracket(name.left(dot));
    *field = unbracket(name.mid(dot + 1));
    return true;
}

bool bindParam(SqliteStatement& st, int index, const QVariant& value) {
    if (value.isNull())
        return st.bindNull(index);
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
        return st.bindInt(index, value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return st.bindInt(index, static_cast<qint64>(value.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(st.get(), index, value.toDouble()) == SQLITE_OK;
    case QMetaType::QDateTime:
        return st.bindText(index, DateToText(value.toDateTime()));
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob(st.get(), index, bytes.constData(), static_cast<int>(bytes.size()),
                                 SQLITE_TRANSIENT) == SQLITE_OK;
    }
    default:
        return st.bindText(index, value.toString());
    }
}

bool isNumeric(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

Snapshot::Snapshot() = default;
Snapshot::~Snapshot() = default;
Snapshot::Snapshot(const Snapshot&) = default;
Snapshot& Snapshot::operator=(const Snapshot&) = default;
Snapshot::Snapshot(Snapshot&&) noexcept = default;
Snapshot& Snapshot::operator=(Snapshot&&) noexcept = default;

namespace {

// The failure of a reading or a sort that a stop request ended.
Result<Snapshot> stopped() {
    return Result<Snapshot>::failure(QStringLiteral("Lecture du catalogue interrompue."));
}

// Lets a stop request interrupt the statements of a connection while it is installed.
class StopHandler {
public:
    StopHandler(sqlite3* db, const StopFlag* stop) : m_db(stop ? db : nullptr) {
        if (m_db)
            sqlite3_progress_handler(m_db, 4096, &StopHandler::poll, const_cast<StopFlag*>(stop));
    }
    ~StopHandler() {
        if (m_db)
            sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
    }
    StopHandler(const StopHandler&) = delete;
    StopHandler& operator=(const StopHandler&) = delete;

private:
    static int poll(void* flag) { return StopRequested(static_cast<const StopFlag*>(flag)) ? 1 : 0; }
    sqlite3* m_db;
};

} // namespace

Result<Snapshot> Snapshot::open(const Database& db, const QString& sql, const QVariantList& params) {
    return read(db, sql, params, nullptr);
}

Result<Snapshot> Snapshot::read(const Database& db, const QString& sql, const QVariantList& params,
                                const StopFlag* stop) {
    if (!db.isOpen())
        return Result<Snapshot>::failure(QStringLiteral("Aucun catalogue n'est ouvert."));
    SqliteStatement st(db.handle(), sql);
    if (!st.isValid()) {
        db.fail(QStringLiteral("Impossible de lire le catalogue"));
        return Result<Snapshot>::failure(db.lastError());
    }
    for (int i = 0; i < params.size(); ++i) {
        if (!bindParam(st, i + 1, params[i]))
            return Result<Snapshot>::failure(QStringLiteral("Paramètre de requête invalide."));
    }
    const int columns = sqlite3_column_count(st.get());
    std::vector<SnapshotRows::Column> layout;
    layout.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        layout.push_back({columnString(sqlite3_column_name(st.get(), c)),
                          columnString(sqlite3_column_table_name(st.get(), c)),
                          columnString(sqlite3_column_origin_name(st.get(), c))});
    }
    auto rows = std::make_shared<SnapshotRows>(std::move(layout));
    const StopHandler handler(db.handle(), stop);
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        if (!rows->appendRow(st.get()))
            return Result<Snapshot>::failure(QStringLiteral("Mémoire insuffisante pour lire le catalogue."));
    }
    if (rc != SQLITE_DONE) {
        if (StopRequested(stop))
            return stopped();
        db.fail(QStringLiteral("Impossible de lire le catalogue"));
        return Result<Snapshot>::failure(db.lastError());
    }
    rows->finish();
    // The pages read are in the snapshot now; give the cache back.
    sqlite3_db_release_memory(db.handle());
    Snapshot snapshot;
    snapshot.m_rows = std::move(rows);
    snapshot.m_position = snapshot.m_rows->rowCount() > 0 ? 0 : -1;
    return snapshot;
}

Result<Snapshot> Snapshot::openParts(const std::vector<const Database*>& dbs, const QString& sql,
                                     const std::vector<QVariantList>& params, const StopFlag* stop) {
    if (dbs.empty() || dbs.size() != params.size())
        return Result<Snapshot>::failure(QStringLiteral("Paramètre de requête invalide."));
    std::vector<std::optional<Result<Snapshot>>> parts(dbs.size());
    std::vector<std::thread> threads;
    for (size_t i = 1; i < dbs.size(); ++i) {
        try {
            threads.emplace_back([&, i] { parts[i] = read(*dbs[i], sql, params[i], stop); });
        } catch (const std::system_error&) {
            parts[i] = read(*dbs[i], sql, params[i], stop); // no thread to be had: read it here
        }
    }
    parts[0] = read(*dbs[0], sql, params[0], stop);
    for (std::thread& t : threads)
        t.join();
    for (const auto& part : parts) {
        if (!part->ok())
            return *part;
    }
    Snapshot whole = std::move(parts[0]->value());
    // Just read: the rows are held by this snapshot alone.
    auto rows = std::const_pointer_cast<SnapshotRows>(whole.m_rows);
    for (size_t i = 1; i < parts.size(); ++i) {
        if (!rows->append(std::const_pointer_cast<SnapshotRows>(parts[i]->value().m_rows).get()))
            return Result<Snapshot>::failure(QStringLiteral("Mémoire insuffisante pour lire le catalogue."));
    }
    whole.m_position = rows->rowCount() > 0 ? 0 : -1;
    return whole;
}

Snapshot Snapshot::clone() const {
    Snapshot copy(*this);
    copy.m_noMatch = false;
    return copy;
}

qint64 Snapshot::recordCount() const {
    return m_rows ? m_rows->rowCount() : 0;
}

bool Snapshot::bof() const {
    return recordCount() == 0 || m_position < 0;
}

bool Snapshot::eof() const {
    return recordCount() == 0 || m_position >= recordCount();
}

bool Snapshot::hasCurrent() const {
    return m_position >= 0 && m_position < recordCount();
}

qint64 Snapshot::absolutePosition() const {
    return hasCurrent() ? m_position : -1;
}

bool Snapshot::setAbsolutePosition(qint64 position) {
    if (position < 0 || position >= recordCount())
        return false;
    m_position = position;
    return true;
}

bool Snapshot::moveFirst() {
    m_position = recordCount() > 0 ? 0 : -1;
    return hasCurrent();
}

bool Snapshot::moveLast() {
    m_position = recordCount() > 0 ? recordCount() - 1 : -1;
    return hasCurrent();
}

bool Snapshot::moveNext() {
    if (m_position < recordCount())
        ++m_position;
    return hasCurrent();
}

bool Snapshot::movePrevious() {
    if (m_position >= 0)
        --m_position;
    return hasCurrent();
}

bool Snapshot::move(qint64 rows) {
    const qint64 count = recordCount();
    if (count == 0)
        return false;
    // From BOF or EOF the move counts from that edge, without overflow for huge offsets.
    const qint64 from = qBound<qint64>(-1, m_position, count);
    if (rows > 0)
        m_position = rows >= count - from ? count : from + rows;
    else if (rows < 0)
        m_position = -rows >= from + 1 ? -1 : from + rows;
    return hasCurrent();
}

int Snapshot::fieldCount() const {
    return m_rows ? m_rows->columnCount() : 0;
}

QString Snapshot::fieldName(int field) const {
    if (field < 0 || field >= fieldCount())
        return {};
    return m_rows->column(field).name;
}

QString Snapshot::fieldQualifiedName(int field) const {
    if (field < 0 || field >= fieldCount())
        return {};
    const auto& column = m_rows->column(field);
    if (column.table.isEmpty())
        return column.name;
    return column.table + u'.' + column.origin;
}

int Snapshot::fieldIndex(QStringView name) const {
    const int n = fieldCount();
    // An alias that is the whole text wins ("Folders.Nom" may itself be an alias).
    int found = -1;
    for (int i = 0; i < n; ++i) {
        if (m_rows->column(i).name.compare(name, Qt::CaseInsensitive) == 0) {
            if (found >= 0)
                return -1; // ambiguous
            found = i;
        }
    }
    if (found >= 0)
        return found;
    QString table, field;
    if (!splitQualified(name, &table, &field))
        return -1;
    for (int i = 0; i < n; ++i) {
        const auto& column = m_rows->column(i);
        if (column.table.compare(table, Qt::CaseInsensitive) == 0 &&
            column.origin.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qint64 Snapshot::storedRow(qint64 position) const {
    return m_order ? qint64((*m_order)[static_cast<size_t>(position)]) : position;
}

QVariant Snapshot::value(int field) const {
    if (!hasCurrent() || field < 0 || field >= fieldCount())
        return QVariant();
    return m_rows->value(storedRow(m_position), field);
}

QVariant Snapshot::valueAt(qint64 position, int field) const {
    if (position < 0 || position >= recordCount() || field < 0 || field >= fieldCount())
        return QVariant();
    return m_rows->value(storedRow(position), field);
}

QVariant Snapshot::value(QStringView name) const {
    return value(fieldIndex(name));
}

bool Snapshot::isNull(int field) const {
    if (!hasCurrent() || field < 0 || field >= fieldCount())
        return true;
    return m_rows->isNull(storedRow(m_position), field);
}

QString Snapshot::text(int field) const {
    return value(field).toString();
}

bool Snapshot::findFirst(QStringView field, const QVariant& value, Qt::CaseSensitivity cs) {
    return findFrom(0, field, value, cs);
}

bool Snapshot::findNext(QStringView field, const QVariant& value, Qt::CaseSensitivity cs) {
    return findFrom(hasCurrent() ? m_position + 1 : (bof() ? 0 : recordCount()), field, value, cs);
}

bool Snapshot::findFrom(qint64 start, QStringView field, const QVariant& target, Qt::CaseSensitivity cs) {
    m_noMatch = true;
    const int index = fieldIndex(field);
    if (index < 0)
        return false;
    const qint64 count = recordCount();
    const bool wantNull = target.isNull();
    const bool numeric = isNumeric(target);
    const QString targetText = wantNull || numeric ? QString()
                               : target.metaType().id() == QMetaType::QDateTime
                                   ? DateToText(target.toDateTime())
                                   : target.toString();
    const QByteArray targetUtf8 = targetText.toUtf8();
    for (qint64 position = start; position < count; ++position) {
        const qint64 row = storedRow(position);
        bool match = false;
        if (wantNull) {
            match = m_rows->isNull(row, index);
        } else if (numeric) {
            const QVariant v = m_rows->value(row, index);
            match = !v.isNull() && isNumeric(v) && v.toDouble() == target.toDouble() &&
                    v.toLongLong() == target.toLongLong();
        } else {
            std::string_view bytes;
            if (m_rows->textBytes(row, index, &bytes)) {
                if (bytes.size() == static_cast<size_t>(targetUtf8.size()) &&
                    bytes.compare(0, bytes.size(), targetUtf8.constData(), bytes.size()) == 0)
                    match = true;
                else if (cs == Qt::CaseInsensitive)
                    match = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
                                .compare(targetText, Qt::CaseInsensitive) == 0;
            }
        }
        if (match) {
            m_position = position;
            m_noMatch = false;
            return true;
        }
    }
    return false;
}

qint64 Snapshot::memoryUsage() const {
    return (m_rows ? m_rows->memoryUsage() : 0) +
           (m_order ? qint64(m_order->capacity() * sizeof(uint32_t)) : 0);
}

Result<Snapshot> Snapshot::open(const Database& db, const QString& sql, const QVariantList& params,
                                const QList<SortColumn>& order, const StopFlag* stop) {
    auto plain = read(db, sql, params, stop);
    if (!plain || order.isEmpty())
        return plain;
    return plain->sorted(order, stop);
}

namespace {

using Cell = SnapshotRows::Cell;

// Null, then numbers, then texts, then blobs, as SQLite orders mixed values.
int cellClass(const Cell& c) {
    switch (c.kind) {
    case Cell::Null:
        return 0;
    case Cell::Integer:
    case Cell::Real:
        return 1;
    case Cell::Text:
        return 2;
    default:
        return 3;
    }
}

int compareTexts(std::string_view a, std::string_view b, SortKind kind) {
    return kind == SortKind::Name ? CompareNamesUtf8(a, b) : a.compare(b);
}

int compareCells(const Cell& a, const Cell& b, SortKind kind) {
    const int ca = cellClass(a), cb = cellClass(b);
    if (ca != cb)
        return ca < cb ? -1 : 1;
    switch (ca) {
    case 1: {
        if (a.kind == Cell::Integer && b.kind == Cell::Integer)
            return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
        const double da = a.kind == Cell::Integer ? double(a.integer) : a.real;
        const double db = b.kind == Cell::Integer ? double(b.integer) : b.real;
        return da < db ? -1 : (da > db ? 1 : 0);
    }
    case 2:
        return compareTexts(a.bytes, b.bytes, kind);
    case 3:
        return a.bytes.compare(b.bytes);
    default:
        return 0;
    }
}

// A stop request seen while a sort is prepared or under way: it leaves by this exception, which
// drops the half-prepared work. Looked at every few thousand rows or comparisons.
struct Stopped {};

void checkStop(const StopFlag* stop, uint64_t& counter) {
    if (stop != nullptr && (++counter & 0x3fffu) == 0 && StopRequested(stop))
        throw Stopped{};
}

// Sorts `items` by `less`, halves on two threads for a large count, then merged: the same order
// as one sort gives, up to the order of equivalent items. Throws Stopped.
template <typename Vector, typename Less>
void sortInHalves(Vector& items, const Less& less, const StopFlag* stop) {
    using T = typename Vector::value_type;
    using Iterator = typename Vector::iterator;
    std::atomic<bool> halted{false};
    const auto sortRange = [&](Iterator begin, Iterator end) {
        unsigned comparisons = 0;
        try {
            std::sort(begin, end, [&](const T& a, const T& b) {
                if (stop != nullptr && (++comparisons & 0x3fffu) == 0 &&
                    (halted.load(std::memory_order_relaxed) || StopRequested(stop)))
                    throw Stopped{};
                return less(a, b);
            });
        } catch (const Stopped&) {
            halted = true;
        }
    };
    constexpr size_t kSplitAbove = 65'536;
    std::thread first;
    const auto middle = items.begin() + std::ptrdiff_t(items.size() / 2);
    if (items.size() > kSplitAbove && std::thread::hardware_concurrency() > 1) {
        try {
            first = std::thread([&] { sortRange(items.begin(), middle); });
        } catch (const std::system_error&) {
            // No thread to be had: one sort does it all.
        }
    }
    if (!first.joinable()) {
        sortRange(items.begin(), items.end());
    } else {
        sortRange(middle, items.end());
        first.join();
        if (!halted) {
            uint64_t comparisons = 0;
            std::inplace_merge(items.begin(), middle, items.end(), [&](const T& a, const T& b) {
                checkStop(stop, comparisons);
                return less(a, b);
            });
        }
    }
    if (halted)
        throw Stopped{};
}

using Ranks = SnapshotRows::Ranks;

// Gives each run of equal items, sorted, the next rank from 1 (0 is left to Null), by row.
template <typename Vector, typename Same>
void assignRanks(const Vector& items, const Same& same, std::vector<uint32_t>& ranks) {
    uint32_t rank = 1;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0 && !same(items[i - 1], items[i]))
            ++rank;
        ranks[items[i].row] = rank;
    }
}

// A column of texts that repeat a lot (folder paths, types), ranked by a sort of its distinct
// texts alone: a repeated text is stored once (SnapshotRows), so its location names it. False,
// with nothing ranked, when the column holds other values or mostly distinct texts; that is
// judged early, so that a column of unique names loses little here.
bool rankRepeatedTexts(const SnapshotRows& rows, int field, SortKind kind, std::vector<uint32_t>& ranks,
                       const StopFlag* stop) {
    uint64_t steps = 0;
    const size_t count = size_t(rows.rowCount());
    std::unordered_map<uint64_t, uint32_t> distinct;
    struct Text {
        uint64_t location;
        std::string_view bytes;
        bool ascii; // looked at once: paths are long and compared many times
    };
    std::vector<Text> texts;
    for (size_t r = 0; r < count; ++r) {
        checkStop(stop, steps);
        const Cell c = rows.cell(qint64(r), field);
        if (c.kind == Cell::Null)
            continue;
        if (c.kind != Cell::Text)
            return false;
        if (distinct.emplace(c.location, 0).second) {
            texts.push_back({c.location, c.bytes, IsPrintableAscii(c.bytes)});
            if (texts.size() * 4 > count || (r >= 4096 && texts.size() * 2 > r))
                return false;
        }
    }
    const auto compare = [kind](const Text& a, const Text& b) {
        return kind == SortKind::Name ? CompareNamesUtf8(a.bytes, a.ascii, b.bytes, b.ascii)
                                      : a.bytes.compare(b.bytes);
    };
    std::sort(texts.begin(), texts.end(), [&](const Text& a, const Text& b) {
        checkStop(stop, steps);
        return compare(a, b) < 0;
    });
    uint32_t rank = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i == 0 || compare(texts[i - 1], texts[i]) != 0)
            ++rank;
        distinct[texts[i].location] = rank;
    }
    for (size_t r = 0; r < count; ++r) {
        checkStop(stop, steps);
        const Cell c = rows.cell(qint64(r), field);
        ranks[r] = c.kind == Cell::Null ? 0 : distinct[c.location];
    }
    return true;
}

template <typename T> using BulkVector = std::vector<T, BulkAllocator<T>>;

// The items of the rows that `make(row, item)` fills one for (it returns false for the others), in
// row order; made in two halves on two threads for a large count. Throws Stopped.
template <typename Item, typename Make>
BulkVector<Item> itemsOfRows(size_t count, const Make& make, const StopFlag* stop) {
    BulkVector<Item> items(count);
    std::atomic<bool> halted{false};
    // Each half packs its items at its own start.
    const auto fill = [&](size_t begin, size_t end) -> size_t {
        uint64_t steps = 0;
        size_t next = begin;
        try {
            for (size_t r = begin; r < end; ++r) {
                if ((steps & 0x3fffu) == 0 && halted.load(std::memory_order_relaxed))
                    throw Stopped{};
                checkStop(stop, steps);
                if (make(r, items[next]))
                    ++next;
            }
        } catch (const Stopped&) {
            halted = true;
        }
        return next - begin;
    };
    constexpr size_t kSplitAbove = 65'536;
    const size_t middle = count > kSplitAbove && std::thread::hardware_concurrency() > 1 ? count / 2 : count;
    size_t first = 0;
    std::thread half;
    if (middle < count) {
        try {
            half = std::thread([&] { first = fill(0, middle); });
        } catch (const std::system_error&) {
            first = fill(0, middle);
        }
    } else {
        first = fill(0, count);
    }
    const size_t second = middle < count ? fill(middle, count) : 0;
    if (half.joinable())
        half.join();
    if (halted)
        throw Stopped{};
    std::move(items.begin() + std::ptrdiff_t(middle), items.begin() + std::ptrdiff_t(middle + second),
              items.begin() + std::ptrdiff_t(first));
    items.resize(first + second);
    return items;
}

// Met a value of another kind than the column's first: the column is ranked cell by cell instead.
struct MixedKinds {};

void rankIntegers(const SnapshotRows& rows, int field, std::vector<uint32_t>& ranks, const StopFlag* stop) {
    struct Item {
        uint64_t key; // the value with its sign bit flipped: unsigned order is the signed one
        uint32_t row;
    };
    std::atomic<bool> mixed{false};
    BulkVector<Item> items = itemsOfRows<Item>(
        ranks.size(),
        [&](size_t r, Item& item) {
            const Cell c = rows.cell(qint64(r), field);
            if (c.kind != Cell::Integer) {
                if (c.kind != Cell::Null)
                    mixed = true;
                return false;
            }
            item = {uint64_t(c.integer) ^ (uint64_t(1) << 63), uint32_t(r)};
            return true;
        },
        stop);
    if (mixed)
        throw MixedKinds{};
    sortInHalves(
        items, [](const Item& a, const Item& b) { return a.key < b.key; }, stop);
    assignRanks(
        items, [](const Item& a, const Item& b) { return a.key == b.key; }, ranks);
}

// Texts byte by byte (dates among them). The first 24 bytes, big-endian and zero-padded, decide
// almost every comparison without reaching the scattered texts; a date is shorter than that.
void rankValueTexts(const SnapshotRows& rows, int field, std::vector<uint32_t>& ranks, const StopFlag* stop) {
    constexpr size_t kLead = 24;
    struct Item {
        uint64_t lead[3];
        uint32_t length; // kLead + 1 for any longer text
        uint32_t row;
    };
    BulkVector<std::string_view> texts(ranks.size());
    std::atomic<bool> mixed{false};
    BulkVector<Item> items = itemsOfRows<Item>(
        ranks.size(),
        [&](size_t r, Item& item) {
            const Cell c = rows.cell(qint64(r), field);
            if (c.kind != Cell::Text) {
                if (c.kind != Cell::Null)
                    mixed = true;
                return false;
            }
            item = {{0, 0, 0}, uint32_t(std::min(c.bytes.size(), kLead + 1)), uint32_t(r)};
            for (size_t i = 0; i < kLead && i < c.bytes.size(); ++i)
                item.lead[i / 8] |= uint64_t(uint8_t(c.bytes[i])) << (56 - 8 * (i % 8));
            texts[r] = c.bytes;
            return true;
        },
        stop);
    if (mixed)
        throw MixedKinds{};
    // Equal leads: texts within the lead differ only by their length (the longer one goes on with
    // zero bytes, so it comes second); longer texts are compared whole.
    const auto compare = [&](const Item& a, const Item& b) {
        for (int w = 0; w < 3; ++w) {
            if (a.lead[w] != b.lead[w])
                return a.lead[w] < b.lead[w] ? -1 : 1;
        }
        if (a.length <= kLead && b.length <= kLead)
            return a.length < b.length ? -1 : (a.length > b.length ? 1 : 0);
        return texts[a.row].compare(texts[b.row]);
    };
    sortInHalves(
        items, [&](const Item& a, const Item& b) { return compare(a, b) < 0; }, stop);
    assignRanks(
        items, [&](const Item& a, const Item& b) { return compare(a, b) == 0; }, ranks);
}

// Names in the catalogue's ordering: their prefixes of primary weights decide most comparisons.
void rankNameTexts(const SnapshotRows& rows, int field, std::vector<uint32_t>& ranks, const StopFlag* stop) {
    // The prefix's fields beside the row and the flag, in 24 bytes instead of the 32 that a
    // NamePrefix member would take: a quarter less to sort and to merge.
    struct Item {
        uint64_t weights, more;
        uint32_t row;
        uint8_t known;
        bool complete;
        bool ascii; // the text takes the fast comparison
        NamePrefix prefix() const { return {weights, more, known, complete}; }
    };
    static_assert(sizeof(Item) <= 24);
    BulkVector<std::string_view> texts(ranks.size());
    std::atomic<bool> mixed{false};
    BulkVector<Item> items = itemsOfRows<Item>(
        ranks.size(),
        [&](size_t r, Item& item) {
            const Cell c = rows.cell(qint64(r), field);
            if (c.kind != Cell::Text) {
                if (c.kind != Cell::Null)
                    mixed = true;
                return false;
            }
            texts[r] = c.bytes;
            const NamePrefix prefix = MakeNamePrefix(c.bytes);
            item = {prefix.weights, prefix.more,     uint32_t(r),
                    prefix.known,   prefix.complete, IsPrintableAscii(c.bytes)};
            return true;
        },
        stop);
    if (mixed)
        throw MixedKinds{};
    const auto compare = [&](const Item& a, const Item& b) {
        const int d = CompareNamePrefixes(a.prefix(), b.prefix());
        return d != 0 ? d : CompareNamesUtf8(texts[a.row], a.ascii, texts[b.row], b.ascii);
    };
    sortInHalves(
        items, [&](const Item& a, const Item& b) { return compare(a, b) < 0; }, stop);
    assignRanks(
        items, [&](const Item& a, const Item& b) { return compare(a, b) == 0; }, ranks);
}

// Values of mixed kinds, decoded at each comparison as SQLite orders them (Null first).
void rankCells(const SnapshotRows& rows, int field, SortKind kind, std::vector<uint32_t>& ranks,
               const StopFlag* stop) {
    struct Item {
        uint32_t row;
    };
    std::vector<Item> items(ranks.size());
    for (size_t r = 0; r < items.size(); ++r)
        items[r].row = uint32_t(r);
    const auto compare = [&](const Item& a, const Item& b) {
        return compareCells(rows.cell(a.row, field), rows.cell(b.row, field), kind);
    };
    sortInHalves(
        items, [&](const Item& a, const Item& b) { return compare(a, b) < 0; }, stop);
    assignRanks(
        items, [&](const Item& a, const Item& b) { return compare(a, b) == 0; }, ranks);
}

// The rank of every stored row in the order of one column: equal values share a rank, a lower
// rank comes first. Throws Stopped.
Ranks rankColumn(const SnapshotRows& rows, int field, SortKind kind, const StopFlag* stop) {
    auto ranks = std::make_shared<std::vector<uint32_t>>(size_t(rows.rowCount()), 0u);
    if (rankRepeatedTexts(rows, field, kind, *ranks, stop))
        return ranks;
    // The first value's kind says how the column is ranked; another kind met later sends it to
    // the comparison of cells.
    Cell::Kind kind0 = Cell::Null;
    uint64_t steps = 0;
    for (qint64 r = 0; r < rows.rowCount() && kind0 == Cell::Null; ++r) {
        checkStop(stop, steps);
        kind0 = rows.cell(r, field).kind;
    }
    try {
        if (kind0 == Cell::Null || kind0 == Cell::Integer)
            rankIntegers(rows, field, *ranks, stop);
        else if (kind0 == Cell::Text && kind == SortKind::Name)
            rankNameTexts(rows, field, *ranks, stop);
        else if (kind0 == Cell::Text)
            rankValueTexts(rows, field, *ranks, stop);
        else
            throw MixedKinds{};
    } catch (const MixedKinds&) {
        rankCells(rows, field, kind, *ranks, stop);
    }
    return ranks;
}

struct KeyedRow {
    uint64_t key;
    uint32_t row;
};

// Orders by key, stably (rows of equal keys keep the order they come in), a digit at a time from
// the lowest; a digit that is the same in every key costs nothing. Keys are below 2^bits.
// Throws Stopped.
void radixSort(BulkVector<KeyedRow>& items, int bits, const StopFlag* stop) {
    constexpr int kDigitBits = 11;
    constexpr size_t kBuckets = size_t(1) << kDigitBits;
    const int passes = (bits + kDigitBits - 1) / kDigitBits;
    std::vector<size_t> counts(size_t(passes) * kBuckets, 0);
    for (const KeyedRow& item : items) {
        for (int p = 0; p < passes; ++p)
            ++counts[size_t(p) * kBuckets + ((item.key >> (p * kDigitBits)) & (kBuckets - 1))];
    }
    BulkVector<KeyedRow> scratch;
    uint64_t steps = 0;
    for (int p = 0; p < passes; ++p) {
        size_t* bucket = &counts[size_t(p) * kBuckets];
        if (std::find(bucket, bucket + kBuckets, items.size()) != bucket + kBuckets)
            continue;
        size_t sum = 0;
        for (size_t b = 0; b < kBuckets; ++b)
            sum += std::exchange(bucket[b], sum);
        scratch.resize(items.size());
        for (const KeyedRow& item : items) {
            checkStop(stop, steps);
            scratch[bucket[(item.key >> (p * kDigitBits)) & (kBuckets - 1)]++] = item;
        }
        items.swap(scratch);
    }
}

struct RankedColumn {
    Ranks ranks;
    bool descending = false;
    uint32_t highest = 0; // the highest rank
    int bits = 0;         // its width
};

int bitWidth(uint32_t v) {
    int bits = 0;
    for (; v != 0; v >>= 1)
        ++bits;
    return bits;
}

} // namespace

Result<Snapshot> Snapshot::sorted(const QList<SortColumn>& order, const StopFlag* stop) const {
    if (!m_rows)
        return Result<Snapshot>::failure(QStringLiteral("Aucun résultat à trier."));
    const qint64 count = recordCount();
    if (count > qint64(std::numeric_limits<uint32_t>::max()))
        return Result<Snapshot>::failure(QStringLiteral("Trop de lignes à trier."));
    std::vector<RankedColumn> columns;
    for (const SortColumn& sc : order) {
        RankedColumn col;
        col.descending = sc.descending;
        if (sc.ranks) {
            if (sc.ranks->size() != size_t(count))
                return Result<Snapshot>::failure(QStringLiteral("Ordre de tri invalide."));
            col.ranks = sc.ranks;
        } else {
            const int field = fieldIndex(sc.field);
            if (field < 0)
                return Result<Snapshot>::failure(
                    QStringLiteral("Le champ « %1 » est introuvable.").arg(sc.field));
            col.ranks = m_rows->ranks(field, sc.kind);
            if (!col.ranks) {
                try {
                    col.ranks = rankColumn(*m_rows, field, sc.kind, stop);
                } catch (const Stopped&) {
                    return stopped();
                }
                m_rows->storeRanks(field, sc.kind, col.ranks);
            }
        }
        columns.push_back(std::move(col));
    }
    if (StopRequested(stop))
        return stopped();
    // The rows in their present order, then sorted stably by the columns' ranks from the last
    // column to the first, as many columns at a time as their ranks fit in one key: rows equal on
    // every column keep the order they had in this snapshot.
    BulkVector<KeyedRow> items(static_cast<size_t>(count));
    for (qint64 p = 0; p < count; ++p)
        items[size_t(p)] = {0, uint32_t(storedRow(p))};
    for (RankedColumn& col : columns) {
        for (uint32_t rank : *col.ranks)
            col.highest = std::max(col.highest, rank);
        col.bits = bitWidth(col.highest);
    }
    try {
        for (size_t end = columns.size(); end > 0;) {
            size_t begin = end;
            int bits = 0;
            while (begin > 0 && bits + columns[begin - 1].bits <= 64)
                bits += columns[--begin].bits;
            for (KeyedRow& item : items) {
                uint64_t key = 0;
                for (size_t i = begin; i < end; ++i) {
                    const RankedColumn& col = columns[i];
                    const uint32_t rank = (*col.ranks)[item.row];
                    key = (key << col.bits) | (col.descending ? col.highest - rank : rank);
                }
                item.key = key;
            }
            radixSort(items, bits, stop);
            end = begin;
        }
    } catch (const Stopped&) {
        return stopped();
    }
    auto positions = std::make_shared<std::vector<uint32_t>>(items.size());
    for (size_t p = 0; p < items.size(); ++p)
        (*positions)[p] = items[p].row;
    Snapshot result;
    result.m_rows = m_rows;
    result.m_order = std::move(positions);
    result.m_position = count > 0 ? 0 : -1;
    return result;
}

} // namespace vambrel
