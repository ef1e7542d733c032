#include "TempFileName.h"

#include "PathSyntax.h"

#include <QDir>
#include <QTemporaryFile>

namespace vambrel {

QString TempFileName(QStringView prefix) {
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return {};
    // The prefix becomes part of a name: no separator or NUL may change the folder.
    QString start = prefix.left(3).toString();
    start.remove(QChar(kPathSeparator));
    start.remove(QChar(u'\0'));
    QTemporaryFile file(JoinPath(QDir(folder).absolutePath(), start + QStringLiteral("XXXXXX.tmp")));
    if (!file.open())
        return {};
    const QString name = file.fileName();
    file.close();
    if (!file.remove())
        return {};
    return name;
}

} // namespace vambrel
