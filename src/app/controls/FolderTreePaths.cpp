#include "FolderTreePaths.h"

#include "DirectoryLister.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "SortKey.h"
#include "TextHelpers.h"

#include <QDir>
#include <algorithm>
#include <sys/stat.h>

namespace vambrel {

namespace {

bool isFolder(const QString& path) {
    struct stat st {};
    return ::stat(PathToNative(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool rootHolds(const QString& root, const QString& folder) {
    QString bare = root;
    while (bare.size() > 1 && bare.endsWith(kPathSeparator))
        bare.chop(1);
    if (!folder.startsWith(bare, Qt::CaseInsensitive))
        return false;
    return folder.size() == bare.size() || bare.endsWith(kPathSeparator) ||
           folder.at(bare.size()) == kPathSeparator;
}

// The names in folder equal to name without regard to case, in name order.
QStringList caseVariants(const QString& folder, const QString& name) {
    QStringList found;
    DirectoryLister lister;
    if (!lister.open(folder))
        return found;
    DirEntry entry;
    while (lister.next(entry)) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            found << entry.name;
    }
    FolderTreePaths::SortNames(found);
    return found;
}

} // namespace

QString FolderTreePaths::Clean(const QString& folder) {
    if (!folder.startsWith(kPathSeparator))
        return {};
    return QDir::cleanPath(folder);
}

int FolderTreePaths::DriveOf(const QString& folder, const QStringList& roots) {
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < roots.size(); ++i) {
        if (!roots.at(i).isEmpty() && rootHolds(roots.at(i), folder) && roots.at(i).size() > bestLength) {
            best = i;
            bestLength = roots.at(i).size();
        }
    }
    return best;
}

QStringList FolderTreePaths::ComponentsAfter(const QString& folder, const QString& root) {
    if (!rootHolds(root, folder))
        return {};
    return folder.mid(root.size()).split(kPathSeparator, Qt::SkipEmptyParts);
}

int FolderTreePaths::MatchName(const QStringList& names, QStringView component) {
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i) == component)
            return i;
    for (int i = 0; i < names.size(); ++i)
        if (QStringView(names.at(i)).compare(component, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool FolderTreePaths::IsExistingFolder(const QString& folder) {
    const QString clean = Clean(folder);
    if (clean.isEmpty())
        return false;
    if (isFolder(clean))
        return true;
    // Down from the root, one spelling per level: the exact one when it is a folder, else the
    // first variant in name order that is.
    QString path(kPathSeparator);
    for (const QString& name : clean.split(kPathSeparator, Qt::SkipEmptyParts)) {
        QString next = JoinPath(path, name);
        if (!isFolder(next)) {
            next.clear();
            for (const QString& variant : caseVariants(path, name)) {
                if (isFolder(JoinPath(path, variant))) {
                    next = JoinPath(path, variant);
                    break;
                }
            }
            if (next.isEmpty())
                return false;
        }
        path = next;
    }
    return true;
}

FolderTreePaths::SubFolders FolderTreePaths::ListSubFolders(const QString& folder) {
    SubFolders result;
    DirectoryLister lister;
    lister.setFoldersOnly(true);
    lister.setSkipDotNames(true);
    if (!lister.open(folder, QStringLiteral("*.*"), DirectoryLister::LinkRule::Follow))
        return result;
    DirEntry entry;
    while (lister.next(entry)) {
        if (entry.isDirectory && !entry.isSymlink && !entry.name.startsWith(u'.'))
            result.names << StripAtNul(entry.name);
    }
    result.complete = lister.error() == 0;
    if (result.complete)
        SortNames(result.names);
    return result;
}

bool FolderTreePaths::HasSubFolders(const QString& folder) {
    DirectoryLister lister;
    lister.setFoldersOnly(true);
    lister.setSkipDotNames(true);
    if (!lister.open(folder))
        return false;
    DirEntry entry;
    while (lister.next(entry)) {
        if (entry.isDirectory && !entry.isSymlink && !entry.name.startsWith(u'.'))
            return true;
    }
    return false;
}

void FolderTreePaths::SortNames(QStringList& names) {
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return CompareNames(a, b) < 0; });
}

} // namespace vambrel
