#pragma once

#include "StopFlag.h"

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace vambrel {

// The entries of one folder that are not folders, as the walk read them, so that a caller need
// not read the folder again: for each, the type the folder gives it (a DT_ value, DT_UNKNOWN
// when it gives none) as one byte, then the name's bytes and a NUL. Names beginning with "."
// are left out.
struct FolderFiles {
    std::string entries;
    bool kept = false; // false: not kept (over the budget, or the folder could not be read whole)

    // Calls `f(name, type)` for each entry, in the folder's order.
    template <typename F> void forEach(F&& f) const {
        for (size_t at = 0; at < entries.size();) {
            const unsigned char type = static_cast<unsigned char>(entries[at]);
            const std::string_view name(entries.data() + at + 1);
            f(name, type);
            at += name.size() + 2;
        }
    }
};

struct WalkOptions {
    bool sameDeviceOnly = true; // a folder on another device than the start folder is left out
    // When set, the walk ends within one directory entry and gives what it found so far: the
    // caller must then treat the list as cut short.
    const StopFlag* stop = nullptr;
    // When set, receives one FolderFiles for each folder of the result, at the same index; the
    // entries kept in all stay within keepBytes, and folders past it have `kept` false.
    std::vector<FolderFiles>* files = nullptr;
    size_t keepBytes = 0;
};

// The folders of a tree, breadth-first in file-system order: the start folder first, then its
// sub-folders, then theirs, level by level. Names beginning with "." are skipped, symbolic
// links are never followed, and a folder that cannot be read is listed but not entered; a start
// folder that does not exist gives itself alone. Iterative: depth costs no stack.
QStringList ListFolders(const QString& startFolder, const WalkOptions& options = {});

} // namespace vambrel
