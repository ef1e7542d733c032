// Building a catalogue through qvtjob and qvtSrv, exactly as the program does, beside find(1)
// on the same synthetic tree in the same run: warm cache with every event printed and with
// --quiet, optionally cold cache (as root), and the peak memory of qvtSrv.
// Usage: bench_build [--tree DIR] [--files N] [--folders N] [--cold] [--runs N]
//        (200,000 files in 20,000 folders in a temporary folder by default; a DIR given is filled
//        once and reused). For the memory figure of a large build: --files 1000000 --folders
//        50000 --max-size 0 (empty files keep the tree small on disk).

#include "BenchTools.h"
#include "SyntheticTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <unistd.h>

using namespace vambrel;

namespace {

using namespace vambrel::bench;

struct BuildRun {
    double seconds = -1;
    qint64 events = 0;   // lines printed by qvtjob
    qint64 serverKb = 0; // peak resident memory of qvtSrv seen
    bool ok = false;
};

BuildRun build(const QString& root, const QString& target, bool quiet) {
    QFile::remove(target);
    QStringList args{QStringLiteral("build"), target, QStringLiteral("--spec"), root};
    if (quiet)
        args << QStringLiteral("--quiet");
    const JobRun job = runQvtjob(args);
    QFile::remove(target);
    BuildRun run{job.seconds, job.lines, job.serverKb, job.ok && job.output.endsWith("Complete true\n")};
    if (!run.ok)
        std::fprintf(stderr, "qvtjob failed (%d): %s\n", job.exitCode, job.errors.constData());
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options args(app.arguments());
    const SyntheticTreeOptions options = args.tree();
    QString root = args.folder("--tree");
    const bool cold = args.flag("--cold");
    const int runs = int(args.number("--runs", 3, 1));
    QTemporaryDir temporary;
    if (root.isEmpty())
        root = temporary.filePath(QStringLiteral("tree"));
    if (!QFile::exists(kQvtjob)) {
        std::fprintf(stderr, "%s is missing\n", qPrintable(kQvtjob));
        return 1;
    }
    const SyntheticTree tree = MakeReportedTree(root, options);
    if (!tree.ok)
        return 1;
    const QString target = temporary.filePath(QStringLiteral("bench.dat"));

    findSeconds(root); // warm the cache
    build(root, target, true);
    double find = 1e300;
    BuildRun loud{1e300}, quiet{1e300};
    qint64 peak = 0;
    for (int i = 0; i < runs; ++i) {
        find = std::min(find, findSeconds(root));
        const BuildRun l = build(root, target, false);
        const BuildRun q = build(root, target, true);
        if (!l.ok || !q.ok)
            return 1;
        peak = std::max({peak, l.serverKb, q.serverKb});
        if (l.seconds < loud.seconds)
            loud = l;
        if (q.seconds < quiet.seconds)
            quiet = q;
    }
    const auto rate = [&](double s) { return static_cast<double>(tree.files) / s; };
    std::printf("warm cache, best of %d:\n", runs);
    std::printf("  find -printf:             %7.3f s\n", find);
    std::printf("  qvtjob build (events):    %7.3f s  %10.0f files/s  %.2f x find  (%lld event lines)\n",
                loud.seconds, rate(loud.seconds), loud.seconds / find, static_cast<long long>(loud.events));
    std::printf("  qvtjob build --quiet:     %7.3f s  %10.0f files/s  %.2f x find\n", quiet.seconds,
                rate(quiet.seconds), quiet.seconds / find);
    std::printf("  events cost:              %+.1f %% over --quiet\n",
                (loud.seconds / quiet.seconds - 1) * 100);
    std::printf("  qvtSrv peak memory:       %.1f MB\n", static_cast<double>(peak) / 1024);

    if (cold) {
        if (::geteuid() != 0 || !dropCaches()) {
            std::printf("cold cache: skipped (needs root to drop the caches)\n");
            return 0;
        }
        double coldFind = 1e300, coldBuild = 1e300;
        for (int i = 0; i < runs; ++i) {
            dropCaches();
            coldFind = std::min(coldFind, findSeconds(root));
            dropCaches();
            const BuildRun r = build(root, target, true);
            if (!r.ok)
                return 1;
            coldBuild = std::min(coldBuild, r.seconds);
        }
        std::printf("cold cache, best of %d:\n", runs);
        std::printf("  find -printf:             %7.3f s\n", coldFind);
        std::printf("  qvtjob build --quiet:     %7.3f s  %10.0f files/s  %.2f x find\n", coldBuild,
                    rate(coldBuild), coldBuild / coldFind);
    }
    return 0;
}
