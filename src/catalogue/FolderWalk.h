#pragma once

#include "StopFlag.h"

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace vambrel {

// The entries that are not folders of the folders of a walk, as the walk read them, so that a
// caller need not read those folders again. Names beginning with "." are left out. All folders
// share one buffer: a folder costs eight bytes beside its names.
class WalkedFiles {
public:
    // False when the walk did not keep the folder's entries (over the budget, or the folder could
    // not be read whole): it must be read again.
    bool kept(size_t folder) const { return folder < m_spans.size() && m_spans[folder].length != kNotKept; }
    // Folders, kept or not.
    size_t size() const { return m_spans.size(); }
    // The bytes of the folder's entries other than folders as the walk listed them, kept or not
    // (0 for a folder it could not read): a measure of the work its files will take.
    size_t listedBytes(size_t folder) const { return folder < m_spans.size() ? m_spans[folder].listed : 0; }
    // Calls `f(name, type)` for each kept entry of `folder`, in the folder's order; `type` is the
    // type the folder gives it (a DT_ value, DT_UNKNOWN when it gives none).
    template <typename F> void forEach(size_t folder, F&& f) const {
        if (!kept(folder))
            return;
        const Span span = m_spans[folder];
        for (size_t at = span.offset; at < span.offset + span.length;) {
            const unsigned char type = static_cast<unsigned char>(m_entries[at]);
            const std::string_view name(m_entries.data() + at + 1);
            f(name, type);
            at += name.size() + 2;
        }
    }

    // Filled by the walk: the next folder's entries, or a folder whose entries are not kept
    // (`listed` bytes of them were seen); then the folders whose `drop` is set leave, the others
    // keeping their order.
    void append(std::string_view entries, bool kept, size_t listed);
    void remove(const std::vector<bool>& drop);

private:
    static constexpr quint32 kNotKept = 0xFFFFFFFF;
    struct Span {
        quint32 offset = 0;
        quint32 length = kNotKept;
        quint32 listed = 0;
    };
    std::string m_entries; // for each entry: its type as one byte, its name, a NUL
    std::vector<Span> m_spans;
};

struct WalkOptions {
    bool sameDeviceOnly = true; // a folder on another device than the start folder is left out
    // When set, the walk ends within one directory entry and gives what it found so far: the
    // caller must then treat the list as cut short.
    const StopFlag* stop = nullptr;
    // When set, receives the entries of the folders of the result, at the same indexes, within
    // keepBytes in all (at most 4 GiB); folders past it are not kept.
    WalkedFiles* files = nullptr;
    size_t keepBytes = 0;
};

// The folders of a tree, breadth-first in file-system order: the start folder first, then its
// sub-folders, then theirs, level by level. Names beginning with "." are skipped, symbolic
// links are never followed, and a folder that cannot be read is listed but not entered; a start
// folder that does not exist gives itself alone. Iterative: depth costs no stack.
QStringList ListFolders(const QString& startFolder, const WalkOptions& options = {});

} // namespace vambrel
