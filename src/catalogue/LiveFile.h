#pragma once

#include <QDateTime>
#include <QString>

namespace vambrel {

// What the computer holds now at a file's full path, read as the catalogue builder reads it: a
// link counts as a file of its own, the size and date are the entry's, the product version is
// read from the file itself (every file is hostile input to the version reader).
struct LiveFile {
    enum class State { Missing, FolderOnly, File };
    State state = State::Missing;
    qint64 size = 0;
    QDateTime modified;
    QString productVersion;

    static LiveFile look(const QString& path);
};

} // namespace vambrel
