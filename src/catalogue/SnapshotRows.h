#pragma once

#include "Snapshot.h"

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <mutex>
#include <sqlite3.h>
#include <string_view>
#include <vector>

namespace vambrel {

// The rows of a snapshot, packed: per value one tag byte and its payload. A text equal to one met
// earlier in the same column is stored as a reference to it, so repeated folder paths and type
// names cost a few bytes. Immutable once filled; shared by snapshots and their clones.
class SnapshotRows {
public:
    struct Column {
        QString name;   // as the query names it
        QString table;  // origin table, empty for an expression
        QString origin; // origin field, empty for an expression
    };

    explicit SnapshotRows(std::vector<Column> columns);
    ~SnapshotRows();

    // Appends the current row of `stmt`; false when memory runs out.
    bool appendRow(sqlite3_stmt* stmt);
    // Drops the construction-time dictionaries.
    void finish();
    // Moves the rows of `other`, finished and read by the same query, after these, which are
    // finished too; `other` is left empty. False when memory runs out.
    bool append(SnapshotRows* other);

    qint64 rowCount() const { return static_cast<qint64>(m_rows.size()); }
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    const Column& column(int i) const { return m_columns[static_cast<size_t>(i)]; }

    // One stored value, undecoded. Texts repeated from an earlier row share their `location`.
    struct Cell {
        enum Kind : uint8_t { Null, Integer, Real, Text, Blob } kind = Null;
        qint64 integer = 0;
        double real = 0;
        std::string_view bytes; // Text (UTF-8) and Blob
        uint64_t location = 0;  // where a Text is stored
    };
    Cell cell(qint64 row, int column) const;

    QVariant value(qint64 row, int column) const;
    bool isNull(qint64 row, int column) const;
    // The raw UTF-8 of a text value, for fast comparisons; false when the value is not text.
    bool textBytes(qint64 row, int column, std::string_view* out) const;

    // Bytes taken by the packed rows and their index (not the slack of the last chunk).
    qint64 memoryUsage() const;

    // Derived from the rows and kept with them: each row's rank in the order of a column (equal
    // values share a rank), so that a later sort by that column, either way or to break ties,
    // compares two integers instead of two values. Null until stored; safe from any thread.
    using Ranks = std::shared_ptr<const std::vector<uint32_t>>;
    Ranks ranks(int column, SortKind kind) const;
    void storeRanks(int column, SortKind kind, Ranks ranks) const;

private:
    enum Tag : uint8_t { Null = 0, Int = 1, Real = 2, Text = 3, Blob = 4, Ref = 5 };
    struct ColumnDict;

    const uint8_t* field(qint64 row, int column) const;
    const uint8_t* at(uint64_t location) const;
    uint8_t* reserve(size_t bytes, uint64_t* location);

    std::vector<Column> m_columns;
    // A chunk from the heap (the first: most snapshots are small) or mapped on its own (`mapped`
    // bytes: later chunks, filled once by a large reading).
    struct ChunkRelease {
        size_t mapped = 0;
        void operator()(uint8_t* chunk) const;
    };
    std::vector<std::unique_ptr<uint8_t[], ChunkRelease>> m_chunks;
    std::vector<size_t> m_chunkSizes;
    size_t m_used = 0;            // bytes used in the last chunk
    size_t m_bytesUsed = 0;       // in all chunks
    std::vector<uint64_t> m_rows; // location of each row: chunk index << 32 | offset
    std::vector<std::unique_ptr<ColumnDict>> m_dicts;
    std::vector<uint8_t> m_scratch;
    struct PendingText {
        size_t offset; // of the tag in the scratch row
        int column;
    };
    std::vector<PendingText> m_newTexts;
    mutable std::mutex m_ranksMutex;
    mutable std::vector<Ranks> m_ranks; // by column * 2 + kind
};

} // namespace vambrel
