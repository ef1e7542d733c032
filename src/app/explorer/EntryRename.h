#pragma once

#include <QString>

namespace vambrel {

// Renames one file or folder in place, never over an existing name. Paths are exact names (as
// NameFromNative gives them), so names that are not UTF-8 are found again on disk. This stands in
// for the shell file-operation class until it exists.
class EntryRename {
public:
    // Empty on success; otherwise the French cause, and nothing was renamed.
    static QString Rename(const QString& from, const QString& to);
    // A name that a rename may give: not empty, not "." or "..", without a separator or NUL.
    static bool ValidName(const QString& name);
};

} // namespace vambrel
