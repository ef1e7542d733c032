#include "FolderWalk.h"

#include "DirectoryLister.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "SystemCalls.h"

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace vambrel {

namespace {

// A level this wide is listed on several threads: a cold disk then has many folders to read at
// once. Narrower levels (deep chains above all) stay on the calling thread.
constexpr qsizetype kParallelLevel = 64;
constexpr int kWalkThreads = 8;

struct Listing {
    QStringList children;
    std::string files; // as WalkedFiles holds them
    size_t listed = 0; // the size of `files` before it was dropped
    bool kept = false;
    bool foreign = false; // on another device: neither recorded nor entered
};

class Walker {
public:
    explicit Walker(const WalkOptions& options) : m_options(options) {}

    // Lists `folder`: its sub-folders in file-system order and, when asked, its other entries.
    // The start folder may itself be a link (the user named it) and sets the device; nothing below
    // it is followed, not even a folder swapped for a link since it was listed. A folder is known
    // to be a mount point from its own descriptor, which costs no look at each sub-folder.
    Listing list(DirectoryLister& lister, const QString& folder, bool isStart) {
        Listing out;
        const auto links = isStart ? DirectoryLister::LinkRule::Follow : DirectoryLister::LinkRule::NoFollow;
        if (!lister.open(folder, QStringLiteral("*"), links)) {
            // Listed, not entered; unless it is the mount point of a file system that cannot be read.
            struct stat st {};
            out.foreign =
                !isStart && m_options.sameDeviceOnly &&
                sys::fstatat(AT_FDCWD, PathToNative(folder).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                quint64(st.st_dev) != m_startDevice;
            return out;
        }
        if (isStart)
            m_startDevice = lister.device();
        else if (m_options.sameDeviceOnly && lister.device() != m_startDevice) {
            out.foreign = true;
            return out;
        }
        const bool keep = m_options.files != nullptr;
        std::string_view name;
        unsigned char type = DT_UNKNOWN;
        while (!StopRequested(m_options.stop) && lister.nextName(name, type)) {
            bool isFolder = type == DT_DIR;
            if (type == DT_UNKNOWN) {
                // The file system gives no types: looked at, never through a link.
                struct stat st {};
                isFolder = sys::fstatat(lister.descriptor(), std::string(name).c_str(), &st,
                                        AT_SYMLINK_NOFOLLOW) == 0 &&
                           S_ISDIR(st.st_mode);
            }
            if (isFolder) {
                out.children.append(JoinPath(folder, NameFromNative(name.data(), name.size())));
            } else if (keep) {
                out.files += static_cast<char>(type);
                out.files.append(name);
                out.files += '\0';
            }
        }
        out.listed = out.files.size();
        if (keep && lister.error() == 0 && !StopRequested(m_options.stop)) {
            const size_t size = out.files.size();
            size_t kept = m_kept.load();
            while (kept + size <= m_options.keepBytes && !m_kept.compare_exchange_weak(kept, kept + size)) {
            }
            out.kept = kept + size <= m_options.keepBytes;
        }
        if (!out.kept)
            std::string().swap(out.files);
        lister.close();
        return out;
    }

    static void prepare(DirectoryLister& lister) { lister.setSkipDotNames(true); }

private:
    const WalkOptions& m_options;
    quint64 m_startDevice = 0;
    std::atomic<size_t> m_kept{0};
};

} // namespace

void WalkedFiles::append(std::string_view entries, bool kept, size_t listed) {
    Span span;
    span.listed = quint32(std::min<size_t>(listed, std::numeric_limits<quint32>::max()));
    if (kept) {
        span.offset = quint32(m_entries.size());
        span.length = quint32(entries.size());
        m_entries.append(entries);
    }
    m_spans.push_back(span);
}

void WalkedFiles::remove(const std::vector<bool>& drop) {
    size_t kept = 0;
    for (size_t i = 0; i < m_spans.size(); ++i) {
        if (i < drop.size() && drop[i])
            continue;
        m_spans[kept++] = m_spans[i];
    }
    m_spans.resize(kept);
}

QStringList ListFolders(const QString& startFolder, const WalkOptions& options) {
    QStringList folders{startFolder};
    // The entries go to one buffer level by level, in the order of the folders.
    WalkedFiles files;
    std::vector<bool> foreign(1, false);
    Walker walker(options);
    {
        DirectoryLister lister;
        Walker::prepare(lister);
        Listing start = walker.list(lister, startFolder, true);
        folders += std::move(start.children);
        files.append(start.files, start.kept, start.listed);
    }
    // Level by level: the folders of one level are listed in any order, on several threads,
    // and their sub-folders appended in the order of the level, which keeps the walk's order.
    for (qsizetype begin = 1, end = folders.size(); begin < end && !StopRequested(options.stop);
         begin = end, end = folders.size()) {
        const qsizetype count = end - begin;
        std::vector<Listing> listings(static_cast<size_t>(count));
        std::atomic<qsizetype> next{0};
        auto work = [&] {
            DirectoryLister lister;
            Walker::prepare(lister);
            for (qsizetype k = next++; k < count && !StopRequested(options.stop); k = next++)
                listings[static_cast<size_t>(k)] = walker.list(lister, folders.at(begin + k), false);
        };
        if (count < kParallelLevel) {
            work();
        } else {
            // Joined when they go out of scope, also when starting one more thread fails.
            std::vector<std::jthread> threads;
            for (int t = 1; t < kWalkThreads; ++t)
                threads.emplace_back(work);
            work();
            threads.clear();
        }
        foreign.resize(size_t(end));
        for (qsizetype k = 0; k < count; ++k) {
            Listing& listing = listings[size_t(k)];
            files.append(listing.files, listing.kept, listing.listed);
            foreign[size_t(begin + k)] = listing.foreign;
            folders += std::move(listing.children);
        }
    }
    // A walk cut short leaves the last level unlisted: those folders keep nothing.
    while (files.size() < size_t(folders.size()))
        files.append({}, false, 0);
    foreign.resize(size_t(folders.size()));
    // Mount points were found when they were opened: they leave the list now, in one pass.
    qsizetype kept = 0;
    for (qsizetype i = 0; i < folders.size(); ++i) {
        if (foreign[size_t(i)])
            continue;
        if (kept != i)
            folders[kept] = std::move(folders[i]);
        ++kept;
    }
    folders.resize(kept);
    files.remove(foreign);
    if (options.files != nullptr)
        *options.files = std::move(files);
    return folders;
}

} // namespace vambrel
