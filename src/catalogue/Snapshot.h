#pragma once

#include "Database.h"
#include "Result.h"
#include "StopFlag.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>
#include <vector>

namespace vambrel {

class SnapshotRows;

// How a column orders: Name is the catalogue's name ordering (French-aware, case only as a
// tie-breaker); Value orders Null, then numbers, then texts byte by byte (dates sort right so).
enum class SortKind { Name, Value };

struct SortColumn {
    SortColumn(QString name = {}, SortKind order = SortKind::Name, bool down = false)
        : field(std::move(name)), kind(order), descending(down) {}

    QString field;
    SortKind kind = SortKind::Name;
    bool descending = false;
    // When set, the order of this column given by the caller instead of a field: a rank per row as
    // the rows were read (lower first, equal ranks tie); `field` is then unused.
    std::shared_ptr<const std::vector<uint32_t>> ranks;
};

// A static, fully read result of one query, with an exact record count, absolute positioning
// and moves, in the manner of a database snapshot. Rows are held compactly in memory, so the
// snapshot stays valid after its database is closed. Copying is cheap and shares the rows;
// clone() gives an independent position over the same rows.
//
// Positions run from 0 to recordCount() - 1. BOF is "before the first record", EOF "after the
// last"; on an empty snapshot both are true. There is no current record at BOF or EOF, and value()
// then returns an invalid QVariant.
class Snapshot {
public:
    Snapshot();
    ~Snapshot();
    Snapshot(const Snapshot&);
    Snapshot& operator=(const Snapshot&);
    Snapshot(Snapshot&&) noexcept;
    Snapshot& operator=(Snapshot&&) noexcept;

    // Runs `sql` with `params` bound to ?1, ?2... (QDateTime as the catalogue's date text).
    static Result<Snapshot> open(const Database& db, const QString& sql, const QVariantList& params = {});
    // The same, then ordered in memory by `order`: much faster than an ORDER BY on names, and the
    // same ordering as OrderByName() gives in SQL. Rows equal on every column keep the query's order.
    // A `stop` set meanwhile ends the reading or the sort early with a failure (no snapshot).
    static Result<Snapshot> open(const Database& db, const QString& sql, const QVariantList& params,
                                 const QList<SortColumn>& order, const StopFlag* stop = nullptr);

    // The rows of several parts read at once, each on a connection of its own and a thread of its
    // own: part i runs `sql` with `params[i]` on `dbs[i]`, and its rows follow those of part i - 1.
    // Parts of one table by ranges of rowid give the rows and the order of one reading of it.
    static Result<Snapshot> openParts(const std::vector<const Database*>& dbs, const QString& sql,
                                      const std::vector<QVariantList>& params,
                                      const StopFlag* stop = nullptr);

    // A snapshot over the same rows in another order, positioned on its first record.
    Result<Snapshot> sorted(const QList<SortColumn>& order, const StopFlag* stop = nullptr) const;

    bool isValid() const { return m_rows != nullptr; }
    Snapshot clone() const;

    qint64 recordCount() const;
    bool bof() const;
    bool eof() const;
    bool hasCurrent() const;
    qint64 absolutePosition() const;           // -1 when there is no current record
    bool setAbsolutePosition(qint64 position); // false, and no change, when out of range

    // Each returns whether a current record exists afterwards.
    bool moveFirst();
    bool moveLast();
    bool moveNext();
    bool movePrevious();
    bool move(qint64 rows); // relative to the current record; past either end gives BOF or EOF

    int fieldCount() const;
    QString fieldName(int field) const;          // as the query names it (alias or column)
    QString fieldQualifiedName(int field) const; // "Table.Field" for a table column, else fieldName
    // Index of a field by its name, or by "Table.Field" (brackets allowed, not case-sensitive);
    // -1 when absent or when a bare name is ambiguous in a join.
    int fieldIndex(QStringView name) const;

    // Values of the current record: Null is a null QVariant, distinct from an empty text.
    QVariant value(int field) const;
    QVariant value(QStringView name) const;
    bool isNull(int field) const;
    QString text(int field) const; // empty for Null
    // The value at a position, without moving there; invalid when out of range.
    QVariant valueAt(qint64 position, int field) const;

    // Moves to the first (next) record whose field equals `value`; text compares without regard
    // to case when `cs` says so. On no match the position is unchanged and noMatch() is true.
    bool findFirst(QStringView field, const QVariant& value, Qt::CaseSensitivity cs = Qt::CaseInsensitive);
    bool findNext(QStringView field, const QVariant& value, Qt::CaseSensitivity cs = Qt::CaseInsensitive);
    bool noMatch() const { return m_noMatch; }

    // Bytes held by the rows (shared by all copies and clones).
    qint64 memoryUsage() const;

private:
    static Result<Snapshot> read(const Database& db, const QString& sql, const QVariantList& params,
                                 const StopFlag* stop);
    bool findFrom(qint64 start, QStringView field, const QVariant& value, Qt::CaseSensitivity cs);
    qint64 storedRow(qint64 position) const;

    std::shared_ptr<const SnapshotRows> m_rows;
    std::shared_ptr<const std::vector<uint32_t>> m_order; // position -> stored row; null: as stored
    qint64 m_position = -1;
    bool m_noMatch = false;
};

} // namespace vambrel
