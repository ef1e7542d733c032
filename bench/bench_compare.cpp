// Checking a catalogue and searching for new files through qvtjob and qvtSrv, exactly as the
// program does, beside find(1) on the same synthetic tree in the same run (warm cache, and cold
// with --cold as root):
// qvtjob check of a fresh catalogue (nothing changed), qvtjob newfiles against the tree's own
// catalogue (no new file) and with 10 % of the files new; then the peak memory of qvtSrv during
// either job over a catalogue of a large tree.
// Usage: bench_compare [--tree DIR] [--files N] [--folders N] [--runs N] [--cold]
//                      [--memory-files N] [--memory-tree DIR]
//        (200,000 files in 20,000 folders, then 1,000,000 empty files in 50,000 folders for the
//        memory figure, in temporary folders by default; a DIR given is filled once and reused;
//        --memory-files 0 leaves the memory figure out).

#include "BenchTools.h"
#include "Database.h"
#include "PathSyntax.h"
#include "Snapshot.h"
#include "SyntheticTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

using namespace vambrel;

namespace {

using namespace vambrel::bench;

// qvtjob with its failure told on standard error.
JobRun qvtjob(const QStringList& args) {
    JobRun run = runQvtjob(args);
    if (!run.ok)
        std::fprintf(stderr, "qvtjob %s failed (%d): %s\n", qPrintable(args.value(0)), run.exitCode,
                     run.errors.constData());
    return run;
}

// Positions in one of the lines "colIdem 0 1 2" of a quiet check.
qint64 listed(const QByteArray& output, const QByteArray& name) {
    for (const QByteArray& line : output.split('\n')) {
        if (line == name || line.startsWith(name + ' '))
            return line.count(' ');
    }
    return -1;
}

qint64 newFileRows(const QString& list) {
    Database db;
    if (!db.open(list, OpenMode::ReadOnly, DbKind::NewFilesList))
        return -1;
    auto rows = Snapshot::open(db, QStringLiteral("SELECT NumId FROM Files"));
    return rows ? rows->recordCount() : -1;
}

// One new file in every tenth folder position, as many as a tenth of the tree's files.
QStringList addNewFiles(const QString& root, qint64 count) {
    QStringList folders;
    QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot;
    folders << root;
    for (qsizetype i = 0; i < folders.size(); ++i)
        for (const QString& sub : QDir(folders.at(i)).entryList(filters))
            folders << JoinPath(folders.at(i), sub);
    QStringList made;
    for (qint64 i = 0; i < count; ++i) {
        const QString path =
            JoinPath(folders.at(i % folders.size()), QStringLiteral("nouveau_%1.txt").arg(i));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            break;
        made << path;
    }
    return made;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options args(app.arguments());
    const SyntheticTreeOptions options = args.tree();
    SyntheticTreeOptions large;
    large.files = int(args.number("--memory-files", 1'000'000));
    large.folders = 50'000;
    large.maxFileSize = 0; // empty files keep the tree small on disk
    QString root = args.folder("--tree"), largeRoot = args.folder("--memory-tree");
    const int runs = int(args.number("--runs", 3, 1));
    const bool cold = args.flag("--cold");
    if (!QFile::exists(kQvtjob)) {
        std::fprintf(stderr, "%s is missing\n", qPrintable(kQvtjob));
        return 1;
    }
    QTemporaryDir temporary;
    if (root.isEmpty())
        root = temporary.filePath(QStringLiteral("tree"));
    const SyntheticTree tree = MakeReportedTree(root, options);
    if (!tree.ok)
        return 1;

    const QString catalogue = temporary.filePath(QStringLiteral("bench.dat"));
    const QString list = temporary.filePath(QStringLiteral("new.dat"));
    findSeconds(root); // warm the cache
    const JobRun built = qvtjob(
        {QStringLiteral("build"), catalogue, QStringLiteral("--spec"), root, QStringLiteral("--quiet")});
    if (!built.ok)
        return 1;
    std::printf("catalogue built in %.3f s\n", built.seconds);

    auto check = [&](bool quiet) {
        QStringList a{QStringLiteral("check"), catalogue};
        if (quiet)
            a << QStringLiteral("--quiet");
        return qvtjob(a);
    };
    auto search = [&](bool quiet) {
        QFile::remove(list);
        QStringList a{QStringLiteral("newfiles"), catalogue, list, QStringLiteral("--spec"), root};
        if (quiet)
            a << QStringLiteral("--quiet");
        return qvtjob(a);
    };
    auto best = [](JobRun& kept, const JobRun& r) {
        if (kept.seconds < 0 || r.seconds < kept.seconds)
            kept = r;
        return r.ok;
    };

    double find = 1e300;
    JobRun checkLoud, checkQuiet, searchQuiet;
    for (int i = 0; i < runs; ++i) {
        find = std::min(find, findSeconds(root));
        if (!best(checkLoud, check(false)) || !best(checkQuiet, check(true)) ||
            !best(searchQuiet, search(true)))
            return 1;
    }
    const qint64 idem = listed(checkQuiet.output, "colIdem");
    const qint64 distinct = listed(checkQuiet.output, "colDistinct");
    const qint64 gone = listed(checkQuiet.output, "colNonExist");
    const qint64 noneNew = newFileRows(list);

    const QStringList added = addNewFiles(root, tree.files / 10);
    double findAdded = 1e300;
    JobRun searchAdded;
    findSeconds(root);
    for (int i = 0; i < runs; ++i) {
        findAdded = std::min(findAdded, findSeconds(root));
        if (!best(searchAdded, search(true)))
            return 1;
    }
    const qint64 foundNew = newFileRows(list);
    for (const QString& path : added)
        QFile::remove(path);

    const auto rate = [&](double s) { return static_cast<double>(tree.files) / s; };
    std::printf("warm cache, best of %d:\n", runs);
    std::printf("  find -printf:                   %7.3f s\n", find);
    std::printf("  qvtjob check (events):          %7.3f s  %10.0f files/s  %.2f x find  (%lld lines)\n",
                checkLoud.seconds, rate(checkLoud.seconds), checkLoud.seconds / find,
                static_cast<long long>(checkLoud.lines));
    std::printf("  qvtjob check --quiet:           %7.3f s  %10.0f files/s  %.2f x find\n",
                checkQuiet.seconds, rate(checkQuiet.seconds), checkQuiet.seconds / find);
    std::printf("    sorted: %lld identical, %lld different, %lld gone\n", static_cast<long long>(idem),
                static_cast<long long>(distinct), static_cast<long long>(gone));
    std::printf("  qvtjob newfiles, none new:      %7.3f s  %10.0f files/s  %.2f x find  (%lld new)\n",
                searchQuiet.seconds, rate(searchQuiet.seconds), searchQuiet.seconds / find,
                static_cast<long long>(noneNew));
    std::printf("  with %lld files added (10 %%):\n", static_cast<long long>(added.size()));
    std::printf("  find -printf:                   %7.3f s\n", findAdded);
    std::printf("  qvtjob newfiles, 10 %% new:      %7.3f s  %.2f x find  (%lld new)\n", searchAdded.seconds,
                searchAdded.seconds / findAdded, static_cast<long long>(foundNew));
    std::printf("  qvtSrv peak memory: check %.1f MB, newfiles %.1f MB\n",
                static_cast<double>(std::max(checkLoud.serverKb, checkQuiet.serverKb)) / 1024,
                static_cast<double>(std::max(searchQuiet.serverKb, searchAdded.serverKb)) / 1024);

    if (cold) {
        if (::geteuid() != 0 || !dropCaches()) {
            std::printf("cold cache: skipped (needs root to drop the caches)\n");
        } else {
            double coldFind = 1e300;
            JobRun coldCheck, coldSearch;
            for (int i = 0; i < runs; ++i) {
                dropCaches();
                coldFind = std::min(coldFind, findSeconds(root));
                dropCaches();
                if (!best(coldCheck, check(true)))
                    return 1;
                dropCaches();
                if (!best(coldSearch, search(true)))
                    return 1;
            }
            std::printf("cold cache, best of %d:\n", runs);
            std::printf("  find -printf:                   %7.3f s\n", coldFind);
            std::printf("  qvtjob check --quiet:           %7.3f s  %.2f x find\n", coldCheck.seconds,
                        coldCheck.seconds / coldFind);
            std::printf("  qvtjob newfiles, none new:      %7.3f s  %.2f x find\n", coldSearch.seconds,
                        coldSearch.seconds / coldFind);
        }
    }

    if (large.files <= 0)
        return 0;
    QTemporaryDir largeTemporary;
    if (largeRoot.isEmpty())
        largeRoot = largeTemporary.filePath(QStringLiteral("large"));
    const SyntheticTree big = MakeReportedTree(largeRoot, large);
    if (!big.ok)
        return 1;
    const QString bigCatalogue = largeTemporary.filePath(QStringLiteral("large.dat"));
    const QString bigList = largeTemporary.filePath(QStringLiteral("large-new.dat"));
    const JobRun bigBuilt = qvtjob({QStringLiteral("build"), bigCatalogue, QStringLiteral("--spec"),
                                    largeRoot, QStringLiteral("--quiet")});
    if (!bigBuilt.ok)
        return 1;
    const JobRun bigCheck = qvtjob({QStringLiteral("check"), bigCatalogue, QStringLiteral("--quiet")});
    const JobRun bigSearch = qvtjob({QStringLiteral("newfiles"), bigCatalogue, bigList,
                                     QStringLiteral("--spec"), largeRoot, QStringLiteral("--quiet")});
    if (!bigCheck.ok || !bigSearch.ok)
        return 1;
    std::printf("catalogue of %lld files (built in %.1f s, qvtSrv %.1f MB):\n",
                static_cast<long long>(big.files), bigBuilt.seconds,
                static_cast<double>(bigBuilt.serverKb) / 1024);
    std::printf("  qvtjob check --quiet:           %7.3f s  qvtSrv peak %.1f MB  (%lld identical)\n",
                bigCheck.seconds, static_cast<double>(bigCheck.serverKb) / 1024,
                static_cast<long long>(listed(bigCheck.output, "colIdem")));
    std::printf("  qvtjob newfiles --quiet:        %7.3f s  qvtSrv peak %.1f MB  (%lld new)\n",
                bigSearch.seconds, static_cast<double>(bigSearch.serverKb) / 1024,
                static_cast<long long>(newFileRows(bigList)));
    return 0;
}
