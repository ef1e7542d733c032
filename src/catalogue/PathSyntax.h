#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace vambrel {

struct Drive;

// The one path separator of the system; every path helper splits and joins with it.
inline constexpr char16_t kPathSeparator = u'/';
// Joins the start folders of a job's Spec and of a catalogue's Source.
inline constexpr char16_t kStartFolderSeparator = u':';

// Folder and name joined by exactly one separator ("/" + "usr" gives "/usr", "/usr/" + "/lib"
// gives "/usr/lib"); an empty folder gives the name, an empty name the folder.
QString JoinPath(QStringView folder, QStringView name);
QString JoinPath(const QString& folder, const QString& name);

// The text after the last separator; the whole text when there is none.
QString FileNameOf(QStringView path);
// The text up to and including the last separator; empty when there is none.
QString FolderOf(QStringView path);
// The last "." of the name and what follows it; empty when the name has no dot.
// Only the part after the last separator counts, so a dotted folder gives no extension.
QString GetExtension(QStringView name);

// A name that stands for one entry of its folder: not empty, not "." or "..", without a
// separator or NUL. Names read from a catalogue are checked with it before they reach the disk,
// so that a forged row never points outside its recorded folder.
bool IsEntryName(QStringView name);
// A folder path that can be looked up without a current folder and names the folder it spells:
// it starts with the separator, and holds no NUL and no "." or ".." part.
bool IsAbsoluteFolder(QStringView folder);
// The full path of a recorded file, or an empty text when its folder or name could lead anywhere
// but to one entry of that folder.
QString RecordedFilePath(const QString& folder, const QString& name);

// The start folders of a list, split at every separator; empty items are kept, so an empty
// list gives one empty folder and "a:" gives "a" and "".
QStringList SplitStartFolders(const QString& spec);
QString JoinStartFolders(const QStringList& folders);

// True when the folder is the mount point of one of the drives ("/" always is). A trailing
// separator does not count ("/media/USB/" is the drive "/media/USB"). The one-argument form
// reads the mount table at each call (mounts come and go while the program runs): pass the
// list from ListDrives() where it is asked in a loop.
bool IsDriveRoot(const QString& folder);
bool IsDriveRoot(const QString& folder, const QList<Drive>& drives);

// The Origine of a start folder: "Poste de travail" for a drive root, otherwise the folder up
// to and including its last separator (empty when it has none).
QString OrigineOf(const QString& startFolder);
QString OrigineOf(const QString& startFolder, const QList<Drive>& drives);

} // namespace vambrel
