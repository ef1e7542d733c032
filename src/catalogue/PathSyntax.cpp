#include "PathSyntax.h"

#include "Drives.h"

namespace vambrel {

namespace {

// The folder without trailing separators, except for the root itself.
QStringView withoutTrailingSeparators(QStringView folder) {
    while (folder.size() > 1 && folder.endsWith(QChar(kPathSeparator)))
        folder.chop(1);
    return folder;
}

} // namespace

QString JoinPath(QStringView folder, QStringView name) {
    if (folder.isEmpty())
        return name.toString();
    if (name.isEmpty())
        return folder.toString();
    const bool folderEnds = folder.endsWith(QChar(kPathSeparator));
    const bool nameStarts = name.startsWith(QChar(kPathSeparator));
    QString path;
    path.reserve(folder.size() + name.size() + 1);
    path.append(folder);
    if (folderEnds && nameStarts)
        path.append(name.mid(1));
    else if (folderEnds || nameStarts)
        path.append(name);
    else
        path.append(QChar(kPathSeparator)).append(name);
    return path;
}

QString JoinPath(const QString& folder, const QString& name) {
    return JoinPath(QStringView(folder), QStringView(name));
}

QString FileNameOf(QStringView path) {
    const qsizetype at = path.lastIndexOf(QChar(kPathSeparator));
    return path.mid(at + 1).toString();
}

QString FolderOf(QStringView path) {
    const qsizetype at = path.lastIndexOf(QChar(kPathSeparator));
    return at < 0 ? QString() : path.left(at + 1).toString();
}

QString GetExtension(QStringView name) {
    const QStringView last = name.mid(name.lastIndexOf(QChar(kPathSeparator)) + 1);
    const qsizetype dot = last.lastIndexOf(u'.');
    return dot < 0 ? QString() : last.mid(dot).toString();
}

QStringList SplitStartFolders(const QString& spec) {
    return spec.split(QChar(kStartFolderSeparator), Qt::KeepEmptyParts);
}

QString JoinStartFolders(const QStringList& folders) {
    return folders.join(QChar(kStartFolderSeparator));
}

bool IsDriveRoot(const QString& folder) {
    return IsDriveRoot(folder, ListDrives());
}

bool IsDriveRoot(const QString& folder, const QList<Drive>& drives) {
    if (folder.isEmpty())
        return false;
    const QStringView bare = withoutTrailingSeparators(folder);
    if (bare == QStringView(u"/"))
        return true;
    for (const Drive& drive : drives) {
        if (withoutTrailingSeparators(drive.root) == bare)
            return true;
    }
    return false;
}

QString OrigineOf(const QString& startFolder) {
    return OrigineOf(startFolder, ListDrives());
}

QString OrigineOf(const QString& startFolder, const QList<Drive>& drives) {
    if (IsDriveRoot(startFolder, drives))
        return QStringLiteral("Poste de travail");
    return FolderOf(startFolder);
}

bool IsEntryName(QStringView name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(kPathSeparator) &&
           !name.contains(QChar(0));
}

bool IsAbsoluteFolder(QStringView folder) {
    if (!folder.startsWith(kPathSeparator) || folder.contains(QChar(0)))
        return false;
    // A recorded folder is its parent's path and its own name: "." or ".." never appear in it,
    // and one that does could name any folder of the disk.
    for (const QStringView part : folder.tokenize(kPathSeparator))
        if (part == u"." || part == u"..")
            return false;
    return true;
}

QString RecordedFilePath(const QString& folder, const QString& name) {
    return IsAbsoluteFolder(folder) && IsEntryName(name) ? JoinPath(folder, name) : QString();
}

} // namespace vambrel
