#pragma once

#include <QString>
#include <functional>

struct stat;

namespace vambrel {

// Destroys one entry of a folder: a regular file is overwritten seven times, each pass flushed to
// the disk before the next, renamed through 26 names made of one letter and deleted. Nothing is
// shown here: the result carries the message the caller shows (OK button, no icon).
//
// Only a regular file is ever opened, for writing only and never through a link (O_NOFOLLOW); the
// entry is checked again once open, so that a name swapped for something else meanwhile is left
// alone. A link, FIFO, socket or device is deleted as an entry, never opened, and a link's target
// is untouched.
//
// The "system" attribute on this system: a file that is not owned by the user and that the user
// may not write. Such a file is never overwritten: it is handed to the system deleter, which asks
// before deleting it for good. The read-only attribute is the owner's write bit: it is set for the
// owner only, the other bits kept.
class FileDestroyer {
public:
    // Files of this size or more are refused untouched.
    static constexpr qint64 kSizeLimit = 2147483648LL;
    static constexpr int kPasses = 7;

    struct Result {
        bool ok = false;
        QString message; // empty: nothing to show
    };

    // Renames an entry, never over an existing name; true when it was renamed.
    using Renamer = std::function<bool(const QString& from, const QString& to)>;
    // Deletes a system file for good, asking first; true when it was deleted.
    using SystemDeleter = std::function<bool(const QString& path)>;
    // Called after each pass was written and flushed (1 to 7), on the thread of the passes.
    using PassObserver = std::function<void(const QString& path, int pass)>;
    // Runs the overwriting passes and returns their result (an errno value, 0 on success). The
    // passes touch nothing but the open file, so a runner may take them to another thread; the
    // default runs them on the calling thread.
    using PassRunner = std::function<int(const std::function<int()>& passes)>;

    // The default renamer renames in place with renameat2(RENAME_NOREPLACE); without a system
    // deleter, system files are refused.
    FileDestroyer();

    void setRenamer(Renamer renamer) { m_rename = std::move(renamer); }
    void setSystemDeleter(SystemDeleter deleter) { m_deleteSystem = std::move(deleter); }
    void setPassObserver(PassObserver observer) { m_afterPass = std::move(observer); }
    void setPassRunner(PassRunner runner) { m_runPasses = std::move(runner); }

    // Destroys folder/name; names are exact (NameFromNative). False when the entry was not found,
    // too large, refused, or not deleted in the end.
    Result Destroy(const QString& folder, const QString& name);

    // The name with every character except "." replaced by the letter.
    static QString LetterName(const QString& name, QChar letter);
    // The French cause added to a failure message for an errno value; empty for other causes.
    static QString FailureCause(int error);
    // "Impossible de détruire le fichier", the path and the cause, each on its line.
    static QString FailureMessage(const QString& path, int error);
    static QString SizeMessage(const QString& path);
    // The system attribute of an entry described by lstat.
    static bool IsSystem(const QString& path, const struct stat& info);

private:
    // Writes the passes over an open file; errno value on failure, 0 on success.
    int overwrite(int fd, qint64 size, const QString& path);

    Renamer m_rename;
    SystemDeleter m_deleteSystem;
    PassObserver m_afterPass;
    PassRunner m_runPasses;
};

} // namespace vambrel
