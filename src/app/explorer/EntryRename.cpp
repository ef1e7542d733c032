#include "EntryRename.h"

#include "NativeName.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>

namespace vambrel {

QString EntryRename::Rename(const QString& from, const QString& to) {
    const QByteArray source = PathToNative(from);
    const QByteArray target = PathToNative(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return {};
    const int error = errno;
    const QString where = QStringLiteral("Impossible de renommer ") + DisplayName(from) + QLatin1Char('\n');
    switch (error) {
    case EEXIST:
        return where + QStringLiteral("Un fichier ou un répertoire porte déjà ce nom.");
    case EACCES:
    case EPERM:
    case EROFS:
        return where + QStringLiteral("Accès refusé.");
    case ENOENT:
        return where + QStringLiteral("Le fichier n'existe plus.");
    case EINVAL:
    case ENAMETOOLONG:
        return where + QStringLiteral("Le nom n'est pas valide.");
    default:
        return where + QString::fromLocal8Bit(strerror(error));
    }
}

bool EntryRename::ValidName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace vambrel
