#pragma once

#include <QtGlobal>
#include <optional>
#include <vector>

namespace vambrel {

// The pages of the listing report: every folder takes a line for its name, its file lines and a
// line for its total; one grand-total line ends the report; a page holds 71 lines below its header.
// Counts are 64-bit, so a report of any size is paged whole. Lines are numbered from 0 across the
// whole report; the grand total is line lineCount().
class ListingPagination {
public:
    static constexpr int kLinesPerPage = 71;

    enum class LineKind { FolderHeader, FileLine, FolderTotal, GrandTotal };
    struct Line {
        LineKind kind = LineKind::GrandTotal;
        qint64 folder = -1;   // index of the folder, -1 for the grand total
        qint64 fileLine = -1; // index of the file line inside its folder, -1 for other kinds
        bool operator==(const Line&) const = default;
    };

    ListingPagination() = default;
    // One file count per folder, in report order; files per line outside 1..4 counts as 1 and a
    // negative count as 0.
    ListingPagination(std::vector<qint64> fileCounts, int filesPerLine);

    static qint64 fileLines(qint64 files, int filesPerLine);
    static qint64 folderLines(qint64 files, int filesPerLine) { return fileLines(files, filesPerLine) + 2; }

    int filesPerLine() const { return m_filesPerLine; }
    qint64 folderCount() const { return qint64(m_counts.size()); }
    qint64 fileCount(qint64 folder) const { return m_counts[size_t(folder)]; }
    // The folders' lines, the grand total apart; 0 makes an empty report.
    qint64 lineCount() const { return m_lines; }
    // ceil((lines + 1) / 71), or 0 for an empty report.
    int pageCount() const { return m_pages; }
    // The first line of a page (1-based); -1 outside 1..pageCount().
    qint64 firstLineOf(int page) const;
    // The line of the report at a position; none outside 0..lineCount() or on an empty report.
    std::optional<Line> lineAt(qint64 position) const;
    // The lines of a page in order: 71, fewer on the last page, none outside 1..pageCount().
    std::vector<Line> pageLines(int page) const;

private:
    std::vector<qint64> m_counts;
    std::vector<qint64> m_starts; // first line of each folder
    int m_filesPerLine = 1;
    qint64 m_lines = 0;
    int m_pages = 0;
};

} // namespace vambrel
