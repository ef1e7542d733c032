#include "FolderWalk.h"

#include "DirectoryLister.h"
#include "PathSyntax.h"

#include <atomic>
#include <thread>
#include <vector>

namespace vambrel {

namespace {

// A level this wide is listed on several threads: a cold disk then has many folders to read at
// once. Narrower levels (deep chains above all) stay on the calling thread.
constexpr qsizetype kParallelLevel = 64;
constexpr int kWalkThreads = 8;

// Lists the sub-folders of `folder`, in file-system order. The start folder may itself be a link
// (the user named it) and sets the device; nothing below it is followed, not even a folder
// swapped for a link since it was listed.
QStringList subFolders(DirectoryLister& lister, const QString& folder, bool isStart, quint64& startDevice,
                       const WalkOptions& options) {
    QStringList children;
    const auto links = isStart ? DirectoryLister::LinkRule::Follow : DirectoryLister::LinkRule::NoFollow;
    if (!lister.open(folder, QStringLiteral("*"), links))
        return children; // listed, not entered
    if (isStart)
        startDevice = lister.device();
    else if (options.sameDeviceOnly && lister.device() != startDevice)
        return children; // swapped for a mount point since it was listed
    DirEntry entry;
    while (!StopRequested(options.stop) && lister.next(entry)) {
        if (entry.isSymlink || !entry.isDirectory)
            continue;
        if (options.sameDeviceOnly && entry.device != startDevice)
            continue;
        children.append(JoinPath(folder, entry.name));
    }
    lister.close();
    return children;
}

void listFoldersOnly(DirectoryLister& lister) {
    lister.setFoldersOnly(true);
    lister.setSkipDotNames(true);
}

} // namespace

QStringList ListFolders(const QString& startFolder, const WalkOptions& options) {
    QStringList folders{startFolder};
    quint64 startDevice = 0;
    {
        DirectoryLister lister;
        listFoldersOnly(lister);
        folders += subFolders(lister, startFolder, true, startDevice, options);
    }
    // Level by level: the folders of one level are listed in any order, on several threads,
    // and their sub-folders appended in the order of the level, which keeps the walk's order.
    for (qsizetype begin = 1, end = folders.size(); begin < end && !StopRequested(options.stop);
         begin = end, end = folders.size()) {
        const qsizetype count = end - begin;
        std::vector<QStringList> children(static_cast<size_t>(count));
        std::atomic<qsizetype> next{0};
        auto work = [&] {
            DirectoryLister lister;
            listFoldersOnly(lister);
            quint64 device = startDevice;
            for (qsizetype k = next++; k < count && !StopRequested(options.stop); k = next++)
                children[static_cast<size_t>(k)] =
                    subFolders(lister, folders.at(begin + k), false, device, options);
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
        for (QStringList& list : children)
            folders += std::move(list);
    }
    return folders;
}

} // namespace vambrel
