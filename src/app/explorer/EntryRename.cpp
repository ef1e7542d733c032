#include "EntryRename.h"

namespace vambrel {

bool EntryRename::ValidName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace vambrel
