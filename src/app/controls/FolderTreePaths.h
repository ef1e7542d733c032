#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace vambrel {

// The disk side of the folder tree, apart from any widget: which drive holds a typed path, the
// names on the way down, matching them against the names on disk, and the listing of subfolders.
// Names are compared without regard to letter case, as a user types them; a name written exactly
// as on disk wins over one that differs only in case (two such folders can live side by side).
class FolderTreePaths {
public:
    // The typed text as an absolute path without "." or ".." steps, doubled or trailing separators;
    // empty for a relative path.
    static QString Clean(const QString& folder);

    // Index in roots of the drive that holds folder: the longest root that is the folder itself or
    // is followed in it by a separator, letter case ignored. -1 when no root holds it.
    static int DriveOf(const QString& folder, const QStringList& roots);

    // The folder names of folder below root ("/usr/Lib" below "/" gives usr and Lib).
    static QStringList ComponentsAfter(const QString& folder, const QString& root);

    // Index of the name that a typed component designates: the exact name, else the first name
    // equal without regard to case; -1 when none.
    static int MatchName(const QStringList& names, QStringView component);

    // True when folder is an existing folder, its names typed in any letter case; a symbolic link
    // to a folder counts as the folder.
    static bool IsExistingFolder(const QString& folder);

    // The subfolders of a folder as the tree lists them: real folders only (a symbolic link is not
    // one), names beginning with "." left out. Sorted by name when the listing went to its end;
    // on a read error the names found so far in disk order, with complete false. An unreadable
    // folder gives no names.
    struct SubFolders {
        QStringList names;
        bool complete = true;
    };
    static SubFolders ListSubFolders(const QString& folder);

    // True at the first subfolder that ListSubFolders would list; false when the folder cannot be
    // read or holds none.
    static bool HasSubFolders(const QString& folder);

    // The tree's order of names: French-aware, case only as a tie-breaker.
    static void SortNames(QStringList& names);
};

} // namespace vambrel
