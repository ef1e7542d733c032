#include "FolderWalk.h"

#include "DirectoryLister.h"
#include "PathSyntax.h"

namespace vambrel {

QStringList ListFolders(const QString& startFolder, const WalkOptions& options) {
    QStringList folders{startFolder};
    const QString everything = QStringLiteral("*");
    DirectoryLister lister;
    lister.setFoldersOnly(true);
    lister.setSkipDotNames(true);
    DirEntry entry;
    quint64 startDevice = 0;
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString folder = folders.at(i); // a shared copy: the list grows below
        // The start folder may itself be a link (the user named it); nothing below it is
        // followed, not even a folder swapped for a link since it was listed.
        const auto links = i == 0 ? DirectoryLister::LinkRule::Follow : DirectoryLister::LinkRule::NoFollow;
        if (!lister.open(folder, everything, links))
            continue; // listed, not entered
        if (i == 0)
            startDevice = lister.device();
        else if (options.sameDeviceOnly && lister.device() != startDevice)
            continue; // swapped for a mount point since it was listed
        while (lister.next(entry)) {
            if (entry.isSymlink || !entry.isDirectory)
                continue;
            if (options.sameDeviceOnly && entry.device != startDevice)
                continue;
            folders.append(JoinPath(folder, entry.name));
        }
        lister.close();
    }
    return folders;
}

} // namespace vambrel
