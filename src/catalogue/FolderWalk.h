#pragma once

#include "StopFlag.h"

#include <QString>
#include <QStringList>

namespace vambrel {

struct WalkOptions {
    bool sameDeviceOnly = true; // a folder on another device than the start folder is left out
    // When set, the walk ends within one directory entry and gives what it found so far: the
    // caller must then treat the list as cut short.
    const StopFlag* stop = nullptr;
};

// The folders of a tree, breadth-first in file-system order: the start folder first, then its
// sub-folders, then theirs, level by level. Names beginning with "." are skipped, symbolic
// links are never followed, and a folder that cannot be read is listed but not entered; a start
// folder that does not exist gives itself alone. Iterative: depth costs no stack.
QStringList ListFolders(const QString& startFolder, const WalkOptions& options = {});

} // namespace vambrel
