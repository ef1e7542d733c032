#include "EntryRename.h"

#include "PathSyntax.h"

namespace vambrel {

bool EntryRename::ValidName(const QString& name) {
    return IsEntryName(name);
}

} // namespace vambrel
