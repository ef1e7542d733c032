#include "ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vambrel {

QString ProgramFiles::installedServer() {
    return QStringLiteral(VAMBREL_BIN_TO_LIBEXEC "/qvtSrv");
}

QString ProgramFiles::installedHelp() {
    return QStringLiteral(VAMBREL_BIN_TO_DATA "/aide");
}

QString ProgramFiles::find(const QString& exeDir, const QString& installed, const QString& beside) {
    const QDir dir(exeDir);
    const QString there = QDir::cleanPath(dir.filePath(installed));
    if (QFileInfo::exists(there))
        return there;
    const QString near = QDir::cleanPath(dir.filePath(beside));
    return QFileInfo::exists(near) ? near : there;
}

QString ProgramFiles::serverProgram() {
    return find(QCoreApplication::applicationDirPath(), installedServer(), QStringLiteral("qvtSrv"));
}

QString ProgramFiles::helpFolder() {
    return find(QCoreApplication::applicationDirPath(), installedHelp(), QStringLiteral("aide"));
}

} // namespace vambrel
