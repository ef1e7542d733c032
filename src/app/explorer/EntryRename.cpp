#include "EntryRename.h"

#include "NativeName.h"

#include <sys/stat.h>

namespace vambrel {

QString EntryRename::Collision(const QString& from, const QString& to) {
    struct stat target {};
    if (::lstat(PathToNative(to).constData(), &target) != 0)
        return {};
    struct stat source {};
    if (::lstat(PathToNative(from).constData(), &source) == 0 && source.st_dev == target.st_dev &&
        source.st_ino == target.st_ino)
        return {};
    return QStringLiteral("Impossible de renommer ") + DisplayName(from) +
           QStringLiteral("\nUn fichier ou un répertoire porte déjà ce nom.");
}

bool EntryRename::ValidName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace vambrel
