#pragma once

#include "FileDescriptor.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <sys/stat.h>

namespace vambrel::fileops {

// Sends entries to the desktop trash, in the freedesktop.org layout. An entry on the file
// system of the home trash ($XDG_DATA_HOME/Trash, by default ~/.local/share/Trash, made when
// missing) goes there; any other goes to its volume's trash: $topdir/.Trash/$uid when $topdir/.Trash
// is a real folder with the sticky bit, else $topdir/.Trash-$uid (made, mode 700). Nothing is ever
// copied: an entry only changes its name, so a trash on another file system is never used.
// The .trashinfo file is made first (O_EXCL) and removed again when the entry cannot follow.
// One object serves one operation: it keeps the trash folders it has opened.
class Trash {
public:
    struct Outcome {
        bool ok = false;
        bool noTrash = false; // no trash can take this entry (cause says why); error is 0
        int error = 0;        // a system error about the entry itself
        QString cause;
        QByteArray trashedAs; // the entry's name in the trash's files folder
    };

    // `path` is the entry's path (its last component is never followed), `st` its lstat.
    Outcome send(const QByteArray& path, const struct stat& st);

    // The home trash folder that the environment gives now.
    static QByteArray HomeTrashPath();
    // The mount point of the file system that holds `path` (an existing, absolute, resolved
    // folder whose device is `device`); empty when none is found.
    static QByteArray TopDirOf(const QByteArray& path, dev_t device);
    // Path= value of a .trashinfo file: every byte outside A-Z a-z 0-9 - _ . ~ / percent-encoded.
    static QByteArray EncodePath(const QByteArray& path);

private:
    struct Place {
        bool usable = false;
        QString cause;
        bool home = false;
        QByteArray root;   // the trash folder itself (holding files and info)
        QByteArray topdir; // the volume's top folder; empty for the home trash
        FileDescriptor files;
        FileDescriptor info;
    };

    Place* homePlace(dev_t device);
    Place* volumePlace(const QByteArray& topdir, dev_t device);
    Outcome sendTo(Place& place, int parentFd, const QByteArray& name, const QByteArray& absolute);

    QByteArray m_parentGiven; // the folder of the last entry, as given, resolved and opened
    QByteArray m_parentResolved;
    FileDescriptor m_parentFd;
    struct stat m_parentSt {};
    QHash<dev_t, std::shared_ptr<Place>> m_volumes;
    std::shared_ptr<Place> m_home;
    bool m_homeLooked = false;
    dev_t m_homeDevice = 0;
};

} // namespace vambrel::fileops
