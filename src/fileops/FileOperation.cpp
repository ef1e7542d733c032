#include "FileOperation.h"

#include "CollisionName.h"
#include "FileDescriptor.h"
#include "FileOpTexts.h"
#include "NativeName.h"
#include "Trash.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vambrel::fileops {

namespace {

constexpr int kMaxDepth = 400;                // folders held open at once while walking a tree
constexpr std::size_t kSyncOneByOne = 16;     // written files flushed one by one; past that, syncfs
constexpr std::size_t kPendingItems = 4096;   // entries written but not yet renamed into place
constexpr qint64 kPendingBytes = 256LL << 20; // the same, in data
constexpr std::size_t kChunk = 8u << 20;      // data copied between two cancel checks
constexpr off_t kWriteBehind = 64 << 20;      // data of a copy in flight to the disk
constexpr std::size_t kBufferSize = 1u << 20; // read/write copy when the kernel cannot copy

QByteArray parentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QByteArray join(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray native(const QString& path) {
    QByteArray bytes = PathToNative(path);
    while (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    return bytes;
}

// The names in a folder, "." and ".." left out; false with errno set on failure.
bool listNames(int folder, std::vector<QByteArray>& names) {
    const int copy = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return false;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        const int error = errno;
        ::close(copy);
        errno = error;
        return false;
    }
    ::rewinddir(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        names.emplace_back(name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    // In the order of their names: the progress reads in order, and the work is repeatable.
    std::sort(names.begin(), names.end());
    errno = error;
    return error == 0;
}

// Permission bits a copy keeps: set-id bits only when the copy keeps its owner.
mode_t keptMode(const struct stat& st) {
    const mode_t mode = st.st_mode & 07777;
    return st.st_uid == ::geteuid() ? mode : (mode & 01777);
}

EntryFacts factsOf(const struct stat& st) {
    EntryFacts facts;
    facts.size = st.st_size;
    facts.modified = st.st_mtim.tv_sec;
    facts.folder = S_ISDIR(st.st_mode);
    facts.link = S_ISLNK(st.st_mode);
    return facts;
}

// Removes an entry and what it holds, silently, as far as it can: used on the engine's own
// temporary entries. Folders are opened to the owner first (a copied read-only folder).
void removeQuietly(int folder, const QByteArray& name, int depth = 0) {
    if (::unlinkat(folder, name.constData(), 0) == 0 || errno == ENOENT)
        return;
    if (depth > kMaxDepth)
        return;
    ::fchmodat(folder, name.constData(), 0700, 0);
    FileDescriptor fd(::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.isValid())
        return;
    std::vector<QByteArray> names;
    listNames(fd.get(), names);
    for (const QByteArray& child : names)
        removeQuietly(fd.get(), child, depth + 1);
    ::unlinkat(folder, name.constData(), AT_REMOVEDIR);
}

// A folder that receives entries, opened once per operation.
struct Folder {
    QByteArray path;
    FileDescriptor fd;
    dev_t device = 0;
    ino_t inode = 0;
};
using FolderRef = std::shared_ptr<Folder>;

// An entry written under a temporary name, waiting to be renamed into place.
struct Pending {
    FolderRef folder;
    QByteArray temporary;
    QByteArray name;
    bool replace = false;
    QByteArray moveSource; // a move: the source to remove once the copy is in place
    QByteArray source;     // for messages
    bool folderEntry = false;
};

// Written files and folders waiting for their flush to the disk. A few are flushed one by one;
// past that, each file system is flushed once (syncfs), which costs one journal commit instead
// of one per file.
class SyncWindow {
public:
    void add(FileDescriptor fd, const QByteArray& path) {
        if (m_entries.size() < kSyncOneByOne) {
            m_entries.push_back({std::move(fd), path});
            return;
        }
        if (m_entries.size() == kSyncOneByOne) // from now on: whole file systems
            for (Entry& entry : m_entries)
                keepVolume(std::move(entry.fd), entry.path);
        m_entries.push_back({FileDescriptor(), path});
        keepVolume(std::move(fd), path);
    }
    // Flushes what was written; on failure, failedPath and failedError tell the first.
    bool flush() {
        bool ok = true;
        const auto failed = [&](const QByteArray& path) {
            if (ok) {
                ok = false;
                failedError = errno;
                failedPath = path;
            }
        };
        for (Entry& entry : m_entries) {
            if (entry.fd.isValid() && (::fsync(entry.fd.get()) != 0 || !entry.fd.close()))
                failed(entry.path);
        }
        for (Volume& volume : m_volumes) {
            if (::syncfs(volume.fd.get()) != 0)
                failed(volume.path);
        }
        drop();
        return ok;
    }
    void drop() {
        m_entries.clear();
        m_volumes.clear();
    }

    QByteArray failedPath;
    int failedError = 0;

private:
    struct Entry {
        FileDescriptor fd;
        QByteArray path;
    };
    struct Volume {
        dev_t device;
        FileDescriptor fd;
        QByteArray path;
    };
    void keepVolume(FileDescriptor fd, const QByteArray& path) {
        struct stat st {};
        if (!fd.isValid() || ::fstat(fd.get(), &st) != 0)
            return;
        for (const Volume& volume : m_volumes) {
            if (volume.device == st.st_dev)
                return; // closing a written file reports nothing that syncfs will not
        }
        m_volumes.push_back({st.st_dev, std::move(fd), path});
    }
    std::vector<Entry> m_entries;
    std::vector<Volume> m_volumes;
};

class Engine {
public:
    Engine(Function function, const Options& options, Host& host)
        : m_function(function), m_options(options), m_host(host) {
        m_progress.function = function;
    }

    bool run(const QStringList& sources, const QStringList& destinations);

private:
    // ---- reporting ----
    bool cancelled() {
        if (m_holdCancel)
            return false;
        if (!m_cancelled && m_host.cancelRequested())
            m_cancelled = true;
        return m_cancelled;
    }
    void fail(const QByteArray& path, int error, const QString& cause = {}) {
        m_failed = true;
        m_host.error(FailureText(m_function, m_trashing, PathFromNative(path),
                                 cause.isEmpty() ? CauseText(error) : cause));
    }
    void failText(const QString& text) {
        m_failed = true;
        m_host.error(text);
    }
    void enter(const QByteArray& path) {
        m_progress.current = PathFromNative(path);
        m_host.progress(m_progress);
    }
    void itemDone() { ++m_progress.itemsDone; }
    // Asks unless confirmations are off or "yes to all" was given for this kind.
    Reply ask(QuestionKind kind, const QString& text, const QByteArray& path, bool offersAll, bool& all) {
        if (!m_options.confirmOperation || all)
            return Reply::YesToAll;
        Question question;
        question.kind = kind;
        question.text = text;
        question.path = PathFromNative(path);
        question.offersAll = offersAll;
        const Reply reply = m_host.ask(question);
        if (reply == Reply::YesToAll)
            all = true;
        return reply;
    }

    // ---- totals ----
    void count(int folder, const QByteArray& name, const struct stat& st, int depth);

    // ---- delete ----
    bool runDelete(const std::vector<QByteArray>& sources);
    bool removeEntry(int folder, const QByteArray& name, const struct stat& st, const QByteArray& path,
                     dev_t device, int depth);
    bool removeForGood(const QByteArray& path);

    // ---- rename ----
    bool runRename(const std::vector<QByteArray>& sources, const std::vector<QByteArray>& destinations);

    // ---- copy and move ----
    bool runTransfer(const std::vector<QByteArray>& sources, const std::vector<QByteArray>& destinations);
    FolderRef folderAt(const QByteArray& path, bool create);
    bool intoItself(const Folder& folder, const struct stat& source);
    bool intoItself(const QByteArray& path, const struct stat& source);
    bool transfer(const QByteArray& source, const struct stat& st, const FolderRef& folder, QByteArray name,
                  int depth);
    bool merge(const QByteArray& source, const struct stat& st, const FolderRef& target, int depth);
    bool copyToPending(const QByteArray& source, const struct stat& st, const FolderRef& folder,
                       const QByteArray& name, bool replace);
    bool copyEntry(int sourceFolder, const QByteArray& sourceName, const struct stat& st, int folder,
                   const QByteArray& name, const QByteArray& path, int depth);
    bool copyFile(int sourceFolder, const QByteArray& sourceName, int folder, const QByteArray& name,
                  const QByteArray& path);
    bool copyData(int in, int out, const struct stat& st, const QByteArray& path);
    bool commit();
    void discardPending();
    QByteArray temporaryName(int folder);
    bool reserved(const Folder& folder, const QByteArray& name) const {
        return m_reserved.contains(QByteArray::number(quint64(folder.inode)) + '/' + name);
    }

    Function m_function;
    Options m_options;
    Host& m_host;
    Progress m_progress;
    bool m_failed = false;
    bool m_cancelled = false;
    bool m_trashing = false;
    bool m_allReplace = false;
    bool m_allMerge = false;
    bool m_allNoTrash = false;
    bool m_holdCancel = false; // while a moved source goes: it goes whole

    QHash<QByteArray, FolderRef> m_folders;
    SyncWindow m_window;
    std::vector<Pending> m_pending;
    QSet<QByteArray> m_reserved;
    qint64 m_pendingBytes = 0;
    std::vector<QByteArray> m_mergedSources; // moved folders to remove once emptied
    std::unique_ptr<char[]> m_buffer;
    quint64 m_nameSeed = 0;
};

// ---------------------------------------------------------------- totals

void Engine::count(int folder, const QByteArray& name, const struct stat& st, int depth) {
    ++m_progress.itemsTotal;
    if (S_ISREG(st.st_mode))
        m_progress.bytesTotal += st.st_size;
    if (!S_ISDIR(st.st_mode) || depth > kMaxDepth || cancelled())
        return;
    FileDescriptor fd(::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<QByteArray> names;
    if (!fd.isValid() || !listNames(fd.get(), names))
        return;
    for (const QByteArray& child : names) {
        struct stat childSt {};
        if (::fstatat(fd.get(), child.constData(), &childSt, AT_SYMLINK_NOFOLLOW) == 0)
            count(fd.get(), child, childSt, depth + 1);
    }
}

// ---------------------------------------------------------------- run

bool Engine::run(const QStringList& sourceTexts, const QStringList& destinationTexts) {
    if (sourceTexts.isEmpty())
        return false;
    std::vector<QByteArray> sources;
    for (const QString& text : sourceTexts)
        sources.push_back(native(text));
    std::vector<QByteArray> destinations;
    for (const QString& text : destinationTexts)
        destinations.push_back(native(text));
    for (const QByteArray& source : sources) {
        const QByteArray name = nameOf(source);
        if (source.isEmpty() || source == "/" || name == "." || name == "..") {
            fail(source, EINVAL);
            return false;
        }
    }
    switch (m_function) {
    case Function::Delete:
        runDelete(sources);
        break;
    case Function::Rename:
        runRename(sources, destinations);
        break;
    case Function::Copy:
    case Function::Move:
        runTransfer(sources, destinations);
        break;
    }
    m_progress.current.clear();
    m_host.progress(m_progress);
    return !m_failed && !m_cancelled;
}

// ---------------------------------------------------------------- delete

bool Engine::runDelete(const std::vector<QByteArray>& sources) {
    std::vector<std::pair<QByteArray, struct stat>> items;
    for (const QByteArray& source : sources) {
        struct stat st {};
        if (::lstat(source.constData(), &st) != 0) {
            m_trashing = m_options.recycleBin;
            fail(source, errno);
            return false;
        }
        if (!m_options.includeDirectories && S_ISDIR(st.st_mode))
            continue;
        items.emplace_back(source, st);
    }
    if (items.empty())
        return true;

    if (m_options.recycleBin) {
        m_trashing = true;
        m_progress.itemsTotal = qint64(items.size());
        Trash trash;
        for (const auto& [path, st] : items) {
            if (cancelled())
                return false;
            enter(path);
            const Trash::Outcome outcome = trash.send(path, st);
            if (outcome.ok) {
                itemDone();
                continue;
            }
            if (!outcome.noTrash) {
                fail(path, outcome.error, outcome.cause);
                return false;
            }
            // No trash for this entry: deleting it for good is a question, never a default.
            if (!m_options.confirmOperation) {
                fail(path, 0, outcome.cause);
                return false;
            }
            const Reply reply =
                ask(QuestionKind::DeleteWithoutTrash, NoTrashQuestion(PathFromNative(path), outcome.cause),
                    path, items.size() > 1, m_allNoTrash);
            if (reply == Reply::Cancel) {
                m_cancelled = true;
                return false;
            }
            if (reply == Reply::No) {
                m_failed = true;
                continue;
            }
            if (!removeForGood(path))
                return false;
            itemDone();
        }
        return true;
    }

    if (m_options.confirmOperation) {
        QStringList paths;
        for (const auto& item : items)
            paths << PathFromNative(item.first);
        Question question;
        question.kind = QuestionKind::DeleteForGood;
        question.text = DeleteForGoodQuestion(paths, S_ISDIR(items.front().second.st_mode));
        question.path = paths.first();
        const Reply reply = m_host.ask(question);
        if (reply != Reply::Yes && reply != Reply::YesToAll) {
            m_cancelled = true;
            return false;
        }
    }
    for (const auto& [path, st] : items) {
        FileDescriptor parent(::open(parentOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (parent.isValid())
            count(parent.get(), nameOf(path), st, 0);
    }
    for (const auto& item : items) {
        if (cancelled() || !removeForGood(item.first))
            return false;
    }
    return true;
}

bool Engine::removeForGood(const QByteArray& path) {
    FileDescriptor parent(::open(parentOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat parentSt {};
    struct stat st {};
    const QByteArray name = nameOf(path);
    if (!parent.isValid() || ::fstat(parent.get(), &parentSt) != 0 ||
        ::fstatat(parent.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        fail(path, errno);
        return false;
    }
    const bool saved = m_trashing;
    m_trashing = false; // the failures of this part are failures to delete
    const bool ok = removeEntry(parent.get(), name, st, path, parentSt.st_dev, 0);
    m_trashing = saved;
    return ok;
}

bool Engine::removeEntry(int folder, const QByteArray& name, const struct stat& st, const QByteArray& path,
                         dev_t device, int depth) {
    if (cancelled())
        return false;
    enter(path);
    if (S_ISDIR(st.st_mode)) {
        if (depth > kMaxDepth) {
            fail(path, 0, TooDeepCause());
            return false;
        }
        if (st.st_dev != device) { // never delete into another file system
            fail(path, 0, MountedInsideCause());
            return false;
        }
        FileDescriptor fd(
            ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        std::vector<QByteArray> names;
        if (!fd.isValid() || !listNames(fd.get(), names)) {
            fail(path, errno);
            return false;
        }
        for (const QByteArray& child : names) {
            struct stat childSt {};
            const QByteArray childPath = join(path, child);
            if (::fstatat(fd.get(), child.constData(), &childSt, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT) // gone meanwhile: that is what was wanted
                    continue;
                fail(childPath, errno);
                return false;
            }
            if (!removeEntry(fd.get(), child, childSt, childPath, device, depth + 1))
                return false;
        }
        if (::unlinkat(folder, name.constData(), AT_REMOVEDIR) != 0) {
            fail(path, errno);
            return false;
        }
    } else if (::unlinkat(folder, name.constData(), 0) != 0 && errno != ENOENT) {
        fail(path, errno);
        return false;
    }
    itemDone();
    return true;
}

// ---------------------------------------------------------------- rename

bool Engine::runRename(const std::vector<QByteArray>& sources, const std::vector<QByteArray>& destinations) {
    if (destinations.size() != sources.size()) {
        failText(destinations.empty() ? NoDestinationText() : OneTargetPerSourceText());
        return false;
    }
    m_progress.itemsTotal = qint64(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (cancelled())
            return false;
        const QByteArray& source = sources[i];
        // A bare name stays in the source's folder.
        const QByteArray target =
            destinations[i].contains('/') ? destinations[i] : join(parentOf(source), destinations[i]);
        enter(source);
        struct stat st {};
        if (::lstat(source.constData(), &st) != 0) {
            fail(source, errno);
            return false;
        }
        if (!m_options.includeDirectories && S_ISDIR(st.st_mode))
            continue;
        if (nameOf(target).isEmpty() || nameOf(target) == "." || nameOf(target) == "..") {
            fail(source, EINVAL, QStringLiteral("Le nom n'est pas valide."));
            return false;
        }
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0) {
            fail(source, errno);
            return false;
        }
        itemDone();
    }
    return true;
}

// ---------------------------------------------------------------- copy and move

FolderRef Engine::folderAt(const QByteArray& path, bool create) {
    if (auto found = m_folders.constFind(path); found != m_folders.constEnd())
        return *found;
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        if (errno != ENOENT || !create) {
            failText(FailureText(m_function, false, PathFromNative(path), CauseText(errno)));
            return {};
        }
        bool all = false;
        if (m_options.confirmMakeDir) {
            const Reply reply =
                ask(QuestionKind::MakeDir, MakeDirQuestion(PathFromNative(path)), path, false, all);
            if (reply != Reply::Yes && reply != Reply::YesToAll) {
                m_cancelled = true;
                return {};
            }
        }
        // The missing folders, from the outermost.
        std::vector<QByteArray> missing;
        for (QByteArray step = path; ::stat(step.constData(), &st) != 0 && errno == ENOENT;
             step = parentOf(step)) {
            missing.push_back(step);
            if (step == "/" || step == ".")
                break;
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            if (::mkdir(it->constData(), 0777) != 0 && errno != EEXIST) {
                failText(FailureText(m_function, false, PathFromNative(path), CauseText(errno)));
                return {};
            }
        }
    }
    auto folder = std::make_shared<Folder>();
    folder->path = path;
    folder->fd.reset(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder->fd.isValid() || ::fstat(folder->fd.get(), &st) != 0) {
        const int error = errno;
        failText(FailureText(m_function, false, PathFromNative(path),
                             error == ENOTDIR ? NotAFolderCause() : CauseText(error)));
        return {};
    }
    folder->device = st.st_dev;
    folder->inode = st.st_ino;
    m_folders.insert(path, folder);
    return folder;
}

bool Engine::intoItself(const Folder& folder, const struct stat& source) {
    if (folder.device == source.st_dev && folder.inode == source.st_ino)
        return true;
    FileDescriptor current(::fcntl(folder.fd.get(), F_DUPFD_CLOEXEC, 0));
    for (int step = 0; step < 4096 && current.isValid(); ++step) {
        FileDescriptor up(::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat here {};
        struct stat st {};
        if (!up.isValid() || ::fstat(up.get(), &st) != 0 || ::fstat(current.get(), &here) != 0)
            return false;
        if (st.st_dev == source.st_dev && st.st_ino == source.st_ino)
            return true;
        if (st.st_dev == here.st_dev && st.st_ino == here.st_ino) // the root
            return false;
        current = std::move(up);
    }
    return false;
}

// The same for a destination that may not exist yet: its nearest existing folder tells.
bool Engine::intoItself(const QByteArray& path, const struct stat& source) {
    QByteArray existing = path;
    struct stat st {};
    while (::stat(existing.constData(), &st) != 0 && existing != "/" && existing != ".")
        existing = parentOf(existing);
    Folder folder;
    folder.fd.reset(::open(existing.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.fd.isValid() || ::fstat(folder.fd.get(), &st) != 0)
        return false;
    folder.device = st.st_dev;
    folder.inode = st.st_ino;
    return intoItself(folder, source);
}

bool Engine::runTransfer(const std::vector<QByteArray>& sources,
                         const std::vector<QByteArray>& destinations) {
    if (destinations.empty()) {
        failText(NoDestinationText());
        return false;
    }
    const bool several = destinations.size() > 1;
    if (several && destinations.size() != sources.size()) {
        failText(DestinationCountText());
        return false;
    }
    struct Job {
        QByteArray source;
        struct stat st;
        FolderRef folder;
        QByteArray name;
    };
    std::vector<Job> jobs;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        Job job{sources[i], {}, {}, {}};
        if (::lstat(job.source.constData(), &job.st) != 0) {
            fail(job.source, errno);
            return false;
        }
        if (!m_options.includeDirectories && S_ISDIR(job.st.st_mode))
            continue;
        const QByteArray folderPath = several ? parentOf(destinations[i]) : destinations.front();
        job.name = several ? nameOf(destinations[i]) : nameOf(job.source);
        if (S_ISDIR(job.st.st_mode) && intoItself(folderPath, job.st)) {
            fail(job.source, 0, IntoItselfCause()); // before any destination folder is made
            return false;
        }
        job.folder = folderAt(folderPath, true);
        if (!job.folder)
            return false;
        if (job.name.isEmpty() || job.name == "." || job.name == "..") {
            fail(job.source, EINVAL, QStringLiteral("Le nom n'est pas valide."));
            return false;
        }
        jobs.push_back(std::move(job));
    }
    // Totals: data is counted where it will be copied.
    for (const Job& job : jobs) {
        if (m_function == Function::Move && job.st.st_dev == job.folder->device) {
            ++m_progress.itemsTotal;
            continue;
        }
        FileDescriptor parent(::open(parentOf(job.source).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (parent.isValid())
            count(parent.get(), nameOf(job.source), job.st, 0);
    }
    m_host.progress(m_progress);
    for (const Job& job : jobs) {
        if (cancelled() || !transfer(job.source, job.st, job.folder, job.name, 0))
            break;
    }
    // What is complete goes into place, even after a cancellation or a failure.
    if (commit()) {
        // Inner folders come first in the list.
        for (const QByteArray& merged : m_mergedSources)
            ::rmdir(merged.constData()); // stays when something inside stayed
    }
    return !m_failed && !m_cancelled;
}

// Puts one source at folder/name, as the options say when that name is taken.
bool Engine::transfer(const QByteArray& source, const struct stat& st, const FolderRef& folder,
                      QByteArray name, int depth) {
    const bool moving = m_function == Function::Move;
    enter(source);
    if (S_ISDIR(st.st_mode) && intoItself(*folder, st)) {
        fail(source, 0, IntoItselfCause());
        return false;
    }
    // A name waiting for its rename counts as taken: put the waiting entries in place first.
    if (reserved(*folder, name) && !commit())
        return false;
    const auto taken = [&](const QByteArray& candidate) {
        struct stat any {};
        return reserved(*folder, candidate) ||
               ::fstatat(folder->fd.get(), candidate.constData(), &any, AT_SYMLINK_NOFOLLOW) == 0 ||
               errno != ENOENT;
    };
    struct stat existing {};
    bool replace = false;
    if (::fstatat(folder->fd.get(), name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        const bool same = existing.st_dev == st.st_dev && existing.st_ino == st.st_ino;
        const QByteArray target = join(folder->path, name);
        if (same && (moving || !m_options.renameOnCollision)) {
            fail(source, 0, SameEntryCause());
            return false;
        }
        if (m_options.renameOnCollision) {
            name = FreeName(name, S_ISDIR(st.st_mode), taken);
            if (name.isEmpty()) {
                fail(source, EEXIST);
                return false;
            }
        } else if (S_ISDIR(st.st_mode) && S_ISDIR(existing.st_mode)) {
            const Reply reply =
                ask(QuestionKind::MergeFolder, MergeQuestion(m_function, PathFromNative(target)), target,
                    true, m_allMerge);
            if (reply == Reply::Cancel) {
                m_cancelled = true;
                return false;
            }
            if (reply == Reply::No) {
                m_failed = true;
                return true;
            }
            FolderRef inner = std::make_shared<Folder>();
            inner->path = target;
            inner->fd.reset(::openat(folder->fd.get(), name.constData(),
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!inner->fd.isValid()) {
                fail(source, errno);
                return false;
            }
            inner->device = existing.st_dev;
            inner->inode = existing.st_ino;
            return merge(source, st, inner, depth);
        } else if (S_ISDIR(st.st_mode)) {
            fail(source, 0, FileInTheWayCause());
            return false;
        } else if (S_ISDIR(existing.st_mode)) {
            fail(source, 0, FolderInTheWayCause());
            return false;
        } else {
            const Reply reply = ask(QuestionKind::ReplaceFile,
                                    ReplaceQuestion(PathFromNative(target), factsOf(existing), factsOf(st)),
                                    target, true, m_allReplace);
            if (reply == Reply::Cancel) {
                m_cancelled = true;
                return false;
            }
            if (reply == Reply::No) {
                m_failed = true;
                return true;
            }
            replace = true;
        }
    } else if (errno != ENOENT) {
        fail(join(folder->path, name), errno);
        return false;
    }

    if (moving && st.st_dev == folder->device) {
        const int flags = replace ? 0 : RENAME_NOREPLACE;
        if (::renameat2(AT_FDCWD, source.constData(), folder->fd.get(), name.constData(), unsigned(flags)) ==
            0) {
            itemDone();
            return true;
        }
        if (errno != EXDEV) {
            fail(source, errno);
            return false;
        }
        // The same disk seen through two mounts: copy it after all.
        FileDescriptor parent(::open(parentOf(source).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (parent.isValid())
            count(parent.get(), nameOf(source), st, 0);
    }
    if (moving && ::access(parentOf(source).constData(), W_OK) != 0) {
        // The source could not go once copied: do not copy it.
        fail(source, errno);
        return false;
    }
    return copyToPending(source, st, folder, name, replace);
}

// A source folder into an existing folder of the same name: its entries one by one.
bool Engine::merge(const QByteArray& source, const struct stat& st, const FolderRef& target, int depth) {
    if (depth > kMaxDepth) {
        fail(source, 0, TooDeepCause());
        return false;
    }
    FileDescriptor fd(::open(source.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<QByteArray> names;
    if (!fd.isValid() || !listNames(fd.get(), names)) {
        fail(source, errno);
        return false;
    }
    for (const QByteArray& child : names) {
        if (cancelled())
            return false;
        struct stat childSt {};
        const QByteArray childPath = join(source, child);
        if (::fstatat(fd.get(), child.constData(), &childSt, AT_SYMLINK_NOFOLLOW) != 0) {
            fail(childPath, errno);
            return false;
        }
        if (!transfer(childPath, childSt, target, child, depth + 1))
            return false;
    }
    if (m_function == Function::Move)
        m_mergedSources.push_back(source);
    if (m_function == Function::Copy || st.st_dev != target->device)
        itemDone();
    return true;
}

QByteArray Engine::temporaryName(int folder) {
    if (m_nameSeed == 0 && ::getrandom(&m_nameSeed, sizeof m_nameSeed, 0) != sizeof m_nameSeed)
        m_nameSeed = quint64(::getpid()) << 32 | quint64(::time(nullptr));
    for (;;) {
        m_nameSeed = m_nameSeed * 6364136223846793005ULL + 1442695040888963407ULL;
        const QByteArray name = ".vambrel-" + QByteArray::number(m_nameSeed >> 16, 16) + ".part";
        struct stat st {};
        if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
            return name;
    }
}

bool Engine::copyToPending(const QByteArray& source, const struct stat& st, const FolderRef& folder,
                           const QByteArray& name, bool replace) {
    FileDescriptor parent(::open(parentOf(source).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.isValid()) {
        fail(source, errno);
        return false;
    }
    const QByteArray temporary = temporaryName(folder->fd.get());
    if (!copyEntry(parent.get(), nameOf(source), st, folder->fd.get(), temporary, source, 0)) {
        removeQuietly(folder->fd.get(), temporary);
        return false;
    }
    Pending pending;
    pending.folder = folder;
    pending.temporary = temporary;
    pending.name = name;
    pending.replace = replace;
    pending.source = source;
    pending.folderEntry = S_ISDIR(st.st_mode);
    if (m_function == Function::Move)
        pending.moveSource = source;
    m_pending.push_back(std::move(pending));
    m_reserved.insert(QByteArray::number(quint64(folder->inode)) + '/' + name);
    if (S_ISREG(st.st_mode))
        m_pendingBytes += st.st_size;
    if (m_pending.size() >= kPendingItems || m_pendingBytes >= kPendingBytes)
        return commit();
    return true;
}

bool Engine::copyEntry(int sourceFolder, const QByteArray& sourceName, const struct stat& st, int folder,
                       const QByteArray& name, const QByteArray& path, int depth) {
    if (cancelled())
        return false;
    enter(path);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (S_ISREG(st.st_mode)) {
        if (!copyFile(sourceFolder, sourceName, folder, name, path))
            return false;
    } else if (S_ISLNK(st.st_mode)) {
        // A link is copied as a link: its text, never what it points at.
        QByteArray text(qsizetype(std::max<off_t>(st.st_size, 255) + 1), Qt::Uninitialized);
        ssize_t length = 0;
        for (;;) {
            length = ::readlinkat(sourceFolder, sourceName.constData(), text.data(), size_t(text.size()));
            if (length < 0) {
                fail(path, errno);
                return false;
            }
            if (length < text.size() || text.size() > (1 << 20))
                break;
            text.resize(text.size() * 2);
        }
        text.truncate(length);
        if (::symlinkat(text.constData(), folder, name.constData()) != 0) {
            fail(path, errno);
            return false;
        }
        ::utimensat(folder, name.constData(), times, AT_SYMLINK_NOFOLLOW);
    } else if (S_ISDIR(st.st_mode)) {
        if (depth > kMaxDepth) {
            fail(path, 0, TooDeepCause());
            return false;
        }
        FileDescriptor in(
            ::openat(sourceFolder, sourceName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!in.isValid()) {
            fail(path, errno);
            return false;
        }
        if (::mkdirat(folder, name.constData(), 0700) != 0) {
            fail(path, errno);
            return false;
        }
        FileDescriptor out(
            ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        std::vector<QByteArray> names;
        if (!out.isValid() || !listNames(in.get(), names)) {
            fail(path, errno);
            return false;
        }
        for (const QByteArray& child : names) {
            struct stat childSt {};
            const QByteArray childPath = join(path, child);
            if (::fstatat(in.get(), child.constData(), &childSt, AT_SYMLINK_NOFOLLOW) != 0) {
                fail(childPath, errno);
                return false;
            }
            if (!copyEntry(in.get(), child, childSt, out.get(), child, childPath, depth + 1))
                return false;
        }
        // Permissions and times last: the entries made inside would change them.
        if (::fchmod(out.get(), keptMode(st)) != 0 || ::futimens(out.get(), times) != 0) {
            fail(path, errno);
            return false;
        }
        m_window.add(std::move(out), path);
    } else {
        // Pipes, sockets and devices: a new node of the same kind, never opened.
        if (::mknodat(folder, name.constData(), st.st_mode & (S_IFMT | 07777), st.st_rdev) != 0) {
            fail(path, errno);
            return false;
        }
        ::utimensat(folder, name.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    itemDone();
    return true;
}

bool Engine::copyFile(int sourceFolder, const QByteArray& sourceName, int folder, const QByteArray& name,
                      const QByteArray& path) {
    FileDescriptor in(
        ::openat(sourceFolder, sourceName.constData(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat now {};
    if (!in.isValid() || ::fstat(in.get(), &now) != 0) {
        fail(path, errno);
        return false;
    }
    if (!S_ISREG(now.st_mode)) { // it changed kind since it was listed
        fail(path, ENOENT);
        return false;
    }
    FileDescriptor out(
        ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.isValid()) {
        fail(path, errno);
        return false;
    }
    if (!copyData(in.get(), out.get(), now, path))
        return false;
    const struct timespec times[2] = {now.st_atim, now.st_mtim};
    if (::fchmod(out.get(), keptMode(now)) != 0 || ::futimens(out.get(), times) != 0) {
        fail(path, errno);
        return false;
    }
    m_window.add(std::move(out), path);
    return true;
}

bool Engine::copyData(int in, int out, const struct stat& st, const QByteArray& path) {
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    off_t copied = 0;
    off_t started = 0; // written to the disk from here on: started, not waited for
    off_t waited = 0;  // on the disk up to here
    // The kernel copies (and may share blocks) unless the file systems refuse; files that claim
    // no size (in /proc, say) are read instead.
    bool kernel = st.st_size > 0;
    for (;;) {
        if (cancelled())
            return false;
        ssize_t done = -1;
        if (kernel) {
            done = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
            if (done < 0 && copied == 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL ||
                 errno == EPERM)) {
                kernel = false;
                continue;
            }
        } else {
            if (!m_buffer)
                m_buffer = std::make_unique<char[]>(kBufferSize);
            done = ::read(in, m_buffer.get(), kBufferSize);
            if (done > 0) {
                for (ssize_t written = 0; written < done;) {
                    const ssize_t step = ::write(out, m_buffer.get() + written, size_t(done - written));
                    if (step < 0 && errno == EINTR)
                        continue;
                    if (step <= 0) {
                        fail(path, step < 0 ? errno : ENOSPC);
                        return false;
                    }
                    written += step;
                }
            }
        }
        if (done < 0) {
            if (errno == EINTR)
                continue;
            fail(path, errno);
            return false;
        }
        if (done == 0)
            break;
        copied += done;
        m_progress.bytesDone += done;
        // Write to the disk behind the copy: start each block once copied, and wait for the
        // blocks that are more than kWriteBehind behind. The flush at the end is then short,
        // and a large copy never fills the memory with data waiting for the disk.
        if (copied - started >= off_t(kChunk)) {
            ::sync_file_range(out, started, copied - started, SYNC_FILE_RANGE_WRITE);
            started = copied;
        }
        if (started - waited > kWriteBehind) {
            const off_t to = started - kWriteBehind;
            ::sync_file_range(out, waited, to - waited,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
            waited = to;
        }
        if (st.st_size > off_t(kChunk))
            m_host.progress(m_progress);
    }
    return true;
}

void Engine::discardPending() {
    m_window.drop();
    for (const Pending& pending : m_pending)
        removeQuietly(pending.folder->fd.get(), pending.temporary);
    m_pending.clear();
    m_reserved.clear();
    m_pendingBytes = 0;
}

// Flushes what was written, renames it into place, then removes the sources of a move.
bool Engine::commit() {
    if (!m_window.flush()) {
        fail(m_window.failedPath, m_window.failedError);
        discardPending();
        return false;
    }
    if (m_pending.empty())
        return true;
    std::vector<Pending> pendings = std::move(m_pending);
    m_pending.clear();
    m_reserved.clear();
    m_pendingBytes = 0;
    std::vector<const Pending*> placed;
    QSet<int> folders;
    bool ok = true;
    for (const Pending& pending : pendings) {
        const int fd = pending.folder->fd.get();
        const unsigned flags = pending.replace ? 0 : RENAME_NOREPLACE;
        if (!ok || ::renameat2(fd, pending.temporary.constData(), fd, pending.name.constData(), flags) != 0) {
            if (ok)
                fail(pending.source, errno);
            ok = false;
            removeQuietly(fd, pending.temporary);
            continue;
        }
        placed.push_back(&pending);
        folders.insert(fd);
    }
    // The new names must be on the disk before any source goes.
    for (const int fd : folders) {
        if (::fsync(fd) != 0 && ok) {
            fail(pendings.front().source, errno);
            return false;
        }
    }
    for (const Pending* pending : placed) {
        if (pending->moveSource.isEmpty())
            continue;
        const bool saved = m_cancelled;
        m_cancelled = false;
        m_holdCancel = true; // a source whose copy is in place goes whole, even after a cancellation
        const qint64 items = m_progress.itemsDone;
        const bool removed = removeForGood(pending->moveSource);
        m_progress.itemsDone = items;
        m_holdCancel = false;
        m_cancelled = saved;
        if (!removed) {
            ok = false;
            break;
        }
    }
    return ok;
}

} // namespace

bool RunFileOperation(Function function, const Options& options, const QStringList& sources,
                      const QStringList& destinations, Host& host) {
    Engine engine(function, options, host);
    return engine.run(sources, destinations);
}

} // namespace vambrel::fileops
