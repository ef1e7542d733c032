#pragma once

#include <QString>

namespace vambrel {

// The check of a name given through a label edit, before cSHFileOp renames.
class EntryRename {
public:
    // A name that a rename may give: not empty, not "." or "..", without a separator or NUL.
    static bool ValidName(const QString& name);
};

} // namespace vambrel
