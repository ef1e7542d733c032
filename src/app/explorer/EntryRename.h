#pragma once

#include <QString>

namespace vambrel {

// The checks of a rename made through a label edit, before cSHFileOp renames. Paths are exact
// names (as NameFromNative gives them), so names that are not UTF-8 are found again on disk.
class EntryRename {
public:
    // Empty when `to` names no entry, or names `from` itself (a change of letter case on a file
    // system that ignores it); otherwise the French cause of the refusal: a rename never takes
    // the place of an existing entry.
    static QString Collision(const QString& from, const QString& to);
    // A name that a rename may give: not empty, not "." or "..", without a separator or NUL.
    static bool ValidName(const QString& name);
};

} // namespace vambrel
