#include "Snapshot.h"

#include "FileTime.h"
#include "SnapshotRows.h"
#include "SortKey.h"
#include "SqliteStatement.h"

#include <algorithm>
#include <atomic>
#include <limits>
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

// One sort column prepared for the comparisons. A column whose texts repeat a lot (folder paths,
// types) is ranked once per distinct text, so that most comparisons are of two integers.
struct PreparedColumn {
    int field = -1;
    SortKind kind = SortKind::Name;
    bool descending = false;
    // Exactly one of these is filled, by row: ranks (`rankData`, in `rank` or shared with the rows),
    // integers (with Null flags), texts (Null has no data pointer), or nothing when the column mixes
    // kinds and cells are decoded at each comparison.
    const uint32_t* rankData = nullptr;
    std::vector<uint32_t> rank;
    SnapshotRows::Ranks sharedRank;
    std::vector<int64_t> integers;
    std::vector<uint8_t> nulls;
    std::vector<std::string_view> texts;
    std::vector<uint8_t> ascii;       // with texts, for names: the text takes the fast comparison
    std::vector<NamePrefix> prefixes; // with texts, for names: decides most comparisons alone
    // With texts, for values: the first sixteen bytes, big-endian and zero-padded, kept together
    // so that most comparisons do not reach the scattered texts.
    std::vector<std::pair<uint64_t, uint64_t>> leads;

    int compare(const SnapshotRows& rows, uint32_t a, uint32_t b) const {
        if (rankData != nullptr)
            return rankData[a] < rankData[b] ? -1 : (rankData[a] > rankData[b] ? 1 : 0);
        if (!integers.empty()) {
            if (nulls[a] != nulls[b])
                return nulls[a] ? -1 : 1;
            return integers[a] < integers[b] ? -1 : (integers[a] > integers[b] ? 1 : 0);
        }
        if (!texts.empty()) {
            const bool na = texts[a].data() == nullptr, nb = texts[b].data() == nullptr;
            if (na || nb)
                return na == nb ? 0 : (na ? -1 : 1);
            if (kind == SortKind::Name) {
                const int d = CompareNamePrefixes(prefixes[a], prefixes[b]);
                if (d != 0)
                    return d;
                return CompareNamesUtf8(texts[a], ascii[a], texts[b], ascii[b]);
            }
            if (!leads.empty() && leads[a] != leads[b])
                return leads[a] < leads[b] ? -1 : 1;
            return texts[a].compare(texts[b]);
        }
        return compareCells(rows.cell(a, field), rows.cell(b, field), kind);
    }
};

// Orders as the texts' first sixteen bytes do: equal leads leave the decision to the texts (a
// shorter text is padded with zero bytes, and a zero byte inside a text ties with the padding).
std::pair<uint64_t, uint64_t> leadingBytes(std::string_view text) {
    uint64_t words[2] = {0, 0};
    for (size_t i = 0; i < 16 && i < text.size(); ++i)
        words[i / 8] |= uint64_t(uint8_t(text[i])) << (56 - 8 * (i % 8));
    return {words[0], words[1]};
}

// A stop request seen while a sort is prepared or under way: it leaves by this exception, which
// drops the half-prepared work. Looked at every few thousand rows or comparisons.
struct Stopped {};

void checkStop(const StopFlag* stop, uint64_t& counter) {
    if (stop != nullptr && (++counter & 0x3fffu) == 0 && StopRequested(stop))
        throw Stopped{};
}

// Copies the column out of the packed rows when it holds one kind only.
void extractColumn(const SnapshotRows& rows, PreparedColumn& col, const StopFlag* stop) {
    uint64_t steps = 0;
    const qint64 count = rows.rowCount();
    bool allIntegers = true, allTexts = true;
    for (qint64 r = 0; r < count && (allIntegers || allTexts); ++r) {
        checkStop(stop, steps);
        const Cell c = rows.cell(r, col.field);
        allIntegers = allIntegers && (c.kind == Cell::Integer || c.kind == Cell::Null);
        allTexts = allTexts && (c.kind == Cell::Text || c.kind == Cell::Null);
    }
    if (count == 0 || (!allIntegers && !allTexts))
        return;
    if (allIntegers) {
        col.integers.resize(size_t(count));
        col.nulls.resize(size_t(count));
    } else {
        col.texts.resize(size_t(count));
        if (col.kind == SortKind::Name) {
            col.ascii.resize(size_t(count));
            col.prefixes.resize(size_t(count));
        } else {
            col.leads.resize(size_t(count));
        }
    }
    for (qint64 r = 0; r < count; ++r) {
        checkStop(stop, steps);
        const Cell c = rows.cell(r, col.field);
        if (allIntegers) {
            col.integers[size_t(r)] = c.integer;
            col.nulls[size_t(r)] = c.kind == Cell::Null;
        } else if (c.kind == Cell::Text) {
            // An empty text must stay distinct from Null: give it a non-null pointer.
            col.texts[size_t(r)] = c.bytes.data() != nullptr ? c.bytes : std::string_view("", 0);
            if (!col.ascii.empty()) {
                col.ascii[size_t(r)] = IsPrintableAscii(c.bytes);
                col.prefixes[size_t(r)] = MakeNamePrefix(c.bytes);
            } else {
                col.leads[size_t(r)] = leadingBytes(c.bytes);
            }
        }
    }
}

void rankColumn(const SnapshotRows& rows, PreparedColumn& col, const StopFlag* stop) {
    uint64_t steps = 0;
    const qint64 count = rows.rowCount();
    std::unordered_map<uint64_t, uint32_t> distinct;
    std::vector<std::pair<uint64_t, std::string_view>> texts;
    for (qint64 r = 0; r < count; ++r) {
        checkStop(stop, steps);
        const Cell c = rows.cell(r, col.field);
        if (c.kind == Cell::Null)
            continue;
        if (c.kind != Cell::Text)
            return;
        if (distinct.emplace(c.location, 0).second) {
            texts.emplace_back(c.location, c.bytes);
            if (texts.size() * 4 > size_t(count))
                return; // mostly distinct: ranking would cost more than it saves
        }
    }
    std::sort(texts.begin(), texts.end(), [&](const auto& a, const auto& b) {
        checkStop(stop, steps);
        return compareTexts(a.second, b.second, col.kind) < 0;
    });
    uint32_t rank = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i == 0 || compareTexts(texts[i - 1].second, texts[i].second, col.kind) != 0)
            ++rank;
        distinct[texts[i].first] = rank; // ranks start at 1: 0 is Null
    }
    col.rank.resize(size_t(count));
    for (qint64 r = 0; r < count; ++r) {
        checkStop(stop, steps);
        const Cell c = rows.cell(r, col.field);
        col.rank[size_t(r)] = c.kind == Cell::Null ? 0 : distinct[c.location];
    }
    col.rankData = col.rank.data();
}

// Sorts positions by `less`, halves on two threads for a large count, then merged: as `less` is a
// total order, exactly what one sort gives. A stop request is looked at every few thousand
// comparisons; it leaves a sort by an exception, which drops the half-sorted positions. False when
// stopped.
template <typename Less>
bool sortPositions(std::vector<uint32_t>& positions, const Less& less, const StopFlag* stop) {
    std::atomic<bool> halted{false};
    const auto sortRange = [&](std::vector<uint32_t>::iterator begin, std::vector<uint32_t>::iterator end) {
        unsigned comparisons = 0;
        try {
            std::sort(begin, end, [&](uint32_t a, uint32_t b) {
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
    const auto middle = positions.begin() + std::ptrdiff_t(positions.size() / 2);
    if (positions.size() > kSplitAbove && std::thread::hardware_concurrency() > 1) {
        try {
            first = std::thread([&] { sortRange(positions.begin(), middle); });
        } catch (const std::system_error&) {
            // No thread to be had: one sort does it all.
        }
    }
    if (first.joinable()) {
        sortRange(middle, positions.end());
        first.join();
        if (!halted) {
            uint64_t comparisons = 0;
            try {
                std::inplace_merge(positions.begin(), middle, positions.end(), [&](uint32_t a, uint32_t b) {
                    checkStop(stop, comparisons);
                    return less(a, b);
                });
            } catch (const Stopped&) {
                halted = true;
            }
        }
    } else {
        sortRange(positions.begin(), positions.end());
    }
    return !halted;
}

// Above this many rows, a column of names is ranked once by a sort of its own and the ranks kept
// with the rows: the sort asked for, and every later one that orders by that column or breaks
// ties with it, then compares integers. Below, comparing the names as they come is cheaper.
constexpr qint64 kRankNamesAbove = 65'536;

// The ranks of a column prepared as texts, by one sort of its rows; null when stopped.
SnapshotRows::Ranks rankNames(const SnapshotRows& rows, const PreparedColumn& col, const StopFlag* stop) {
    const size_t count = size_t(rows.rowCount());
    std::vector<uint32_t> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = uint32_t(i);
    const auto less = [&](uint32_t a, uint32_t b) {
        const int d = col.compare(rows, a, b);
        return d != 0 ? d < 0 : a < b;
    };
    if (!sortPositions(order, less, stop))
        return nullptr;
    auto ranks = std::make_shared<std::vector<uint32_t>>(count);
    uint32_t rank = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0 && col.compare(rows, order[i - 1], order[i]) != 0)
            ++rank;
        (*ranks)[order[i]] = rank;
    }
    return ranks;
}

} // namespace

Result<Snapshot> Snapshot::sorted(const QList<SortColumn>& order, const StopFlag* stop) const {
    if (!m_rows)
        return Result<Snapshot>::failure(QStringLiteral("Aucun résultat à trier."));
    const qint64 count = recordCount();
    if (count > qint64(std::numeric_limits<uint32_t>::max()))
        return Result<Snapshot>::failure(QStringLiteral("Trop de lignes à trier."));
    std::vector<PreparedColumn> columns;
    for (const SortColumn& sc : order) {
        PreparedColumn col;
        col.field = fieldIndex(sc.field);
        if (col.field < 0)
            return Result<Snapshot>::failure(
                QStringLiteral("Le champ « %1 » est introuvable.").arg(sc.field));
        col.kind = sc.kind;
        col.descending = sc.descending;
        const bool rankNamesOnce = sc.kind == SortKind::Name && count > kRankNamesAbove;
        if (rankNamesOnce && (col.sharedRank = m_rows->nameRanks(col.field)))
            col.rankData = col.sharedRank->data();
        try {
            if (col.rankData == nullptr) {
                rankColumn(*m_rows, col, stop);
                if (rankNamesOnce && col.rankData != nullptr) {
                    col.sharedRank = std::make_shared<const std::vector<uint32_t>>(std::move(col.rank));
                    m_rows->storeNameRanks(col.field, col.sharedRank);
                    col.rankData = col.sharedRank->data();
                }
            }
            if (col.rankData == nullptr)
                extractColumn(*m_rows, col, stop);
        } catch (const Stopped&) {
            return stopped();
        }
        if (rankNamesOnce && col.rankData == nullptr && !col.texts.empty()) {
            col.sharedRank = rankNames(*m_rows, col, stop);
            if (!col.sharedRank)
                return stopped();
            m_rows->storeNameRanks(col.field, col.sharedRank);
            col.rankData = col.sharedRank->data();
            col.texts = {};
            col.ascii = {};
            col.prefixes = {};
        }
        columns.push_back(std::move(col));
    }
    // Rows equal on every column keep the order they had in this snapshot.
    auto positions = std::make_shared<std::vector<uint32_t>>(size_t(count));
    std::vector<uint32_t> previousPosition;
    for (qint64 p = 0; p < count; ++p)
        (*positions)[size_t(p)] = uint32_t(storedRow(p));
    if (m_order) {
        previousPosition.resize(size_t(count));
        for (qint64 p = 0; p < count; ++p)
            previousPosition[(*positions)[size_t(p)]] = uint32_t(p);
    }
    if (StopRequested(stop))
        return stopped();
    const SnapshotRows& rows = *m_rows;
    const auto less = [&](uint32_t a, uint32_t b) {
        for (const PreparedColumn& col : columns) {
            const int d = col.compare(rows, a, b);
            if (d != 0)
                return col.descending ? d > 0 : d < 0;
        }
        return previousPosition.empty() ? a < b : previousPosition[a] < previousPosition[b];
    };
    if (!sortPositions(*positions, less, stop))
        return stopped();
    Snapshot result;
    result.m_rows = m_rows;
    result.m_order = std::move(positions);
    result.m_position = count > 0 ? 0 : -1;
    return result;
}

} // namespace vambrel
