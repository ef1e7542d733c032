#pragma once

#include "Wildcard.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <dirent.h>
#include <memory>
#include <optional>
#include <string_view>

namespace vambrel {

// One entry of a folder, with the data of lstat: a symbolic link is described itself, never
// its target.
struct DirEntry {
    QString name;          // NameFromNative of nativeName
    QByteArray nativeName; // the bytes of the name on disk
    bool isDirectory = false;
    bool isSymlink = false;
    qint64 size = 0;
    qint64 mtimeSeconds = 0;
    qint32 mtimeNanoseconds = 0;
    quint64 device = 0;
    bool isRegular = false;
    bool described = false; // size, time and device come from lstat
};

// Lists one folder, in file-system order, like a find-first/find-next search: open, next until
// false, and the descriptor is closed by close() or the destructor. Not copyable.
class DirectoryLister {
public:
    enum class LinkRule { Follow, NoFollow };

    DirectoryLister() = default;
    ~DirectoryLister();
    DirectoryLister(const DirectoryLister&) = delete;
    DirectoryLister& operator=(const DirectoryLister&) = delete;

    // False when the folder cannot be read; error() then holds errno. With NoFollow a folder
    // that is a symbolic link is refused (ENOTDIR). A path longer than the system allows is
    // opened step by step.
    bool open(const QString& folder, const QString& pattern = QStringLiteral("*.*"),
              LinkRule links = LinkRule::Follow);
    // The next entry matching the pattern; "." and ".." never come. An entry that vanished
    // between reading the folder and its lstat is skipped; one whose lstat fails otherwise
    // comes with the type the folder gives and no size or time. False at the end or on a read
    // error (error() is then non-zero).
    bool next(DirEntry& entry);
    // The next entry matching the pattern as the folder gives it: its name's bytes (valid until
    // the next call) and its type (a DT_ value, DT_UNKNOWN where the file system gives none).
    // Nothing is looked at: for callers that look at many entries at once. The rules set below
    // apply, except that an untyped entry comes as it is.
    bool nextName(std::string_view& name, unsigned char& type);
    void close();

    // Only folders come back, and entries that the folder itself types as something else are
    // not even looked at. Set before next().
    void setFoldersOnly(bool only) { m_foldersOnly = only; }
    // Names beginning with "." are skipped before any work. Set before next().
    void setSkipDotNames(bool skip) { m_skipDotNames = skip; }
    // Entries come with the type the folder gives them and are not looked at any further (no
    // lstat: `described` false, no size, time or device), except those the folder leaves untyped.
    // For callers that need only names, or that look at many entries at once. Set before next().
    void setTypesOnly(bool only) { m_typesOnly = only; }

    int error() const { return m_error; }
    // The device of the folder itself; 0 before a successful open.
    quint64 device() const;
    // The folder's descriptor, for opening entries relative to it; -1 when not open.
    int descriptor() const;

private:
    // Reads the next block of entries; false at the end or on an error.
    bool fill();

    // The folder is read with getdents64 into a buffer of our own: a directory stream would cost
    // an fstat and fcntl calls for each folder opened.
    int m_fd = -1;
    std::unique_ptr<char[]> m_buffer;
    size_t m_filled = 0; // bytes of entries in the buffer
    size_t m_at = 0;     // offset of the next one
    std::optional<Wildcard> m_pattern;
    QString m_decoded; // scratch for the pattern
    int m_error = 0;
    mutable quint64 m_device = 0;
    mutable bool m_deviceKnown = false;
    bool m_foldersOnly = false;
    bool m_skipDotNames = false;
    bool m_typesOnly = false;
};

// Opens a path like open(2) with O_CLOEXEC added; a path longer than PATH_MAX is opened one
// piece at a time relative to the last one (only the last piece obeys O_NOFOLLOW). -1 with
// errno on failure.
int OpenLongPath(const QByteArray& nativePath, int flags);

} // namespace vambrel
