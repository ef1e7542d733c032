#include "ListingPagination.h"

#include <algorithm>
#include <limits>

namespace vambrel {

ListingPagination::ListingPagination(std::vector<qint64> fileCounts, int filesPerLine)
    : m_counts(std::move(fileCounts)),
      m_filesPerLine(filesPerLine >= 1 && filesPerLine <= 4 ? filesPerLine : 1) {
    m_starts.reserve(m_counts.size());
    for (qint64& n : m_counts) {
        n = std::max<qint64>(n, 0);
        m_starts.push_back(m_lines);
        m_lines += folderLines(n, m_filesPerLine);
    }
    if (m_lines > 0) {
        const qint64 pages = (m_lines + 1 + kLinesPerPage - 1) / kLinesPerPage;
        m_pages = int(std::min<qint64>(pages, std::numeric_limits<int>::max()));
    }
}

qint64 ListingPagination::fileLines(qint64 files, int filesPerLine) {
    const qint64 k = filesPerLine >= 1 && filesPerLine <= 4 ? filesPerLine : 1;
    return files <= 0 ? 0 : (files + k - 1) / k;
}

qint64 ListingPagination::firstLineOf(int page) const {
    if (page < 1 || page > m_pages)
        return -1;
    return qint64(page - 1) * kLinesPerPage;
}

std::optional<ListingPagination::Line> ListingPagination::lineAt(qint64 position) const {
    if (m_lines == 0 || position < 0 || position > m_lines)
        return std::nullopt;
    if (position == m_lines)
        return Line{};
    // The last folder that starts at or before the position.
    const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    const qint64 folder = qint64(it - m_starts.begin()) - 1;
    const qint64 j = position - m_starts[size_t(folder)];
    const qint64 files = fileLines(m_counts[size_t(folder)], m_filesPerLine);
    if (j == 0)
        return Line{LineKind::FolderHeader, folder, -1};
    if (j <= files)
        return Line{LineKind::FileLine, folder, j - 1};
    return Line{LineKind::FolderTotal, folder, -1};
}

std::vector<ListingPagination::Line> ListingPagination::pageLines(int page) const {
    std::vector<Line> lines;
    const qint64 first = firstLineOf(page);
    if (first < 0)
        return lines;
    const qint64 last = std::min(first + kLinesPerPage - 1, m_lines);
    lines.reserve(size_t(last - first + 1));
    std::optional<Line> line = lineAt(first);
    for (qint64 pos = first; pos <= last && line; ++pos) {
        lines.push_back(*line);
        // The next line without a search: the walk stays inside the folder or moves to the next.
        const qint64 files =
            line->folder >= 0 ? fileLines(m_counts[size_t(line->folder)], m_filesPerLine) : 0;
        switch (line->kind) {
        case LineKind::FolderHeader:
            line = files > 0 ? Line{LineKind::FileLine, line->folder, 0}
                             : Line{LineKind::FolderTotal, line->folder, -1};
            break;
        case LineKind::FileLine:
            line = line->fileLine + 1 < files ? Line{LineKind::FileLine, line->folder, line->fileLine + 1}
                                              : Line{LineKind::FolderTotal, line->folder, -1};
            break;
        case LineKind::FolderTotal:
            line = line->folder + 1 < folderCount() ? Line{LineKind::FolderHeader, line->folder + 1, -1}
                                                    : Line{};
            break;
        case LineKind::GrandTotal:
            line.reset();
            break;
        }
    }
    return lines;
}

} // namespace vambrel
