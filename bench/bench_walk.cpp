// Folder walk and directory listing over a synthetic tree, warm cache, beside find(1) on the
// same tree: ListFolders, then a DirectoryLister over every folder (name, type, size, time of
// each entry), with and without the type name of every file.
// Usage: bench_walk [TREE [files [folders]]] (a temporary tree of 200,000 files in 20,000
// folders by default; a TREE given is filled once and reused).

#include "BenchTools.h"
#include "DirectoryLister.h"
#include "FolderWalk.h"
#include "SyntheticTree.h"
#include "TypeNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace vambrel;
using bench::findSeconds;

namespace {

struct WalkResult {
    qint64 folders = 0;
    qint64 files = 0;
    qint64 bytes = 0;
    qint64 typeLength = 0;
};

WalkResult walk(const QString& root, TypeNames* types) {
    WalkResult result;
    const QStringList folders = ListFolders(root);
    result.folders = folders.size();
    DirectoryLister lister;
    lister.setSkipDotNames(true);
    DirEntry entry;
    for (const QString& folder : folders) {
        if (!lister.open(folder))
            continue;
        while (lister.next(entry)) {
            if (entry.isDirectory)
                continue;
            ++result.files;
            result.bytes += entry.size;
            if (types)
                result.typeLength += types->typeOf(entry.name).size();
        }
    }
    return result;
}

template <typename F> double bestOf(int runs, F f) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir temporary;
    const QString root = args.size() > 1 ? QDir(args.at(1)).absolutePath() : temporary.path();
    SyntheticTreeOptions options;
    if (args.size() > 2)
        options.files = args.at(2).toInt();
    if (args.size() > 3)
        options.folders = std::max(1, args.at(3).toInt());
    const SyntheticTree tree = MakeReportedTree(root, options);
    if (!tree.ok)
        return 1;

    // Warm the cache, and check the walk saw the tree.
    findSeconds(root);
    const WalkResult seen = walk(root, nullptr);
    std::printf("walk saw: %lld folders, %lld files (hidden files skipped)\n",
                static_cast<long long>(seen.folders), static_cast<long long>(seen.files));

    const int runs = 3;
    const double find = bestOf(runs, [&] { findSeconds(root); });
    const double list = bestOf(runs, [&] { walk(root, nullptr); });
    TypeNames types;
    const double listTyped = bestOf(runs, [&] { walk(root, &types); });
    const double walkOnly = bestOf(runs, [&] { ListFolders(root); });
    const auto rate = [&](double seconds) { return static_cast<double>(seen.files) / seconds; };
    std::printf("find -printf:                %7.3f s\n", find);
    std::printf("ListFolders alone:           %7.3f s\n", walkOnly);
    std::printf("ListFolders + lister:        %7.3f s  %10.0f files/s  %.2f x find\n", list, rate(list),
                list / find);
    std::printf("  with type names:           %7.3f s  %10.0f files/s  %.2f x find\n", listTyped,
                rate(listTyped), listTyped / find);
    return 0;
}
