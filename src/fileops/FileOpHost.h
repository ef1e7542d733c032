#pragma once

#include <QString>
#include <QtGlobal>

namespace vambrel::fileops {

// The four operations, numbered as the callers know them.
enum class Function { Move = 1, Copy = 2, Delete = 3, Rename = 4 };

struct Options {
    bool recycleBin = true;         // Delete sends to the trash instead of deleting for good
    bool confirmMakeDir = true;     // ask before creating a missing destination folder
    bool confirmOperation = true;   // false: every question is answered "yes to all"
    bool includeDirectories = true; // false: folders among the sources are left alone
    bool renameOnCollision = true;  // a taken destination name gives "nom (2).ext" instead of a question
};

enum class QuestionKind {
    ReplaceFile,       // an entry of the destination would be replaced
    MergeFolder,       // a folder of the destination would receive the source folder's entries
    DeleteForGood,     // the whole list is about to be deleted for good
    MakeDir,           // a destination folder is missing
    DeleteWithoutTrash // an entry cannot go to the trash: delete it for good instead?
};

// Yes and No are about one entry; YesToAll also answers the questions of the same kind that
// follow; Cancel ends the operation. For DeleteForGood and MakeDir, No is the same as Cancel.
enum class Reply { Yes, YesToAll, No, Cancel };

struct Question {
    QuestionKind kind = QuestionKind::ReplaceFile;
    QString text;           // the whole French question
    QString path;           // exact name of the entry it is about
    bool offersAll = false; // "yes to all" and "cancel" mean something (more entries may follow)
};

struct Progress {
    Function function = Function::Copy;
    QString current; // exact path of the entry at work; empty before the first
    qint64 itemsDone = 0;
    qint64 itemsTotal = 0;
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0; // 0 when the operation moves no data (renames, trash)
};

// What the engine needs from whoever runs it. Every call comes from the thread that runs the
// operation; the engine waits for each answer.
class Host {
public:
    virtual ~Host() = default;
    virtual Reply ask(const Question& question) = 0;
    // One failure, in French; the operation then ends (or skips that entry when told so).
    virtual void error(const QString& message) = 0;
    // Called at each entry and every few mega-octets of data; keep it cheap.
    virtual void progress(const Progress& progress) = 0;
    // Polled between entries and between blocks of data.
    virtual bool cancelRequested() = 0;
};

} // namespace vambrel::fileops
