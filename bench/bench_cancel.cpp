// Cancel latency: cancels sent at random moments of the three jobs (build, check, new-file
// search) through the client library, as the windows send them, and the time from the request
// to the job's Cancelled event. A cancel may land in the folder walk, in a listing, between rows
// or while the check reads its catalogue. find(1) runs on the same tree in the same run.
// Usage: bench_cancel [--tree DIR] [--files N] [--folders N] [--max-size N] [--cancels N] [--seed N]
//                     [--job build|check|newfiles] [--within MS]
//        (200,000 files in 20,000 folders in a temporary folder by default; 20 cancels of each job
//        kind, the kinds in turn; --job keeps one kind, --within draws the moments in the first MS only, to
//        look at one phase closely).

#include "BenchTools.h"
#include "JobConnection.h"
#include "SyntheticTree.h"
#include "cAsync.h"
#include "cAsync2.h"
#include "cAsync3.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace vambrel;
using namespace vambrel::bench;
using namespace vambrel::client;

namespace {

enum class Kind { Build, Check, NewFiles };

const char* kindName(Kind k) {
    return k == Kind::Build ? "build" : k == Kind::Check ? "check" : "newfiles";
}

struct Run {
    bool cancelled = false;
    bool completed = false;
    bool success = false;
    double requestMs = -1; // when Cancel was called, from the start
    double latencyMs = -1; // from Cancel to Cancelled
    double totalMs = -1;
    const char* phase = "before any event"; // the last event seen before the request
    qint64 events = 0;
    qint64 eventsAfter = 0; // events handled between the request and Cancelled
};

// Runs one job; `cancelAfterMs` < 0 lets it finish.
Run runJob(Kind kind, const QString& tree, const QString& catalogue, const QString& output,
           double cancelAfterMs) {
    QFile::remove(output);
    Run run;
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 cancelAt = 0;
    std::unique_ptr<JobProxy> job;
    auto seen = [&](const char* name) {
        ++run.events;
        if (cancelAt == 0)
            run.phase = name;
        else
            ++run.eventsAfter;
    };
    auto cancelled = [&] {
        run.cancelled = true;
        run.latencyMs = double(clock.nsecsElapsed() - cancelAt) / 1e6;
        loop.quit();
    };
    auto complete = [&](bool& s) {
        run.completed = true;
        run.success = s;
        loop.quit();
    };
    if (kind == Kind::Build) {
        auto* j = new cAsync;
        j->setFileName(output);
        j->setSpec(tree);
        j->setMask(QStringLiteral("*.*"));
        QObject::connect(j, &cAsync::ProgressMain, j,
                         [&](const QString&, bool&) { seen("ProgressMain (walk)"); });
        QObject::connect(j, &cAsync::ProgressFolder, j, [&](qint32, bool&) { seen("ProgressFolder"); });
        QObject::connect(j, &cAsync::ProgressFile, j, [&](qint32, bool&) { seen("ProgressFile"); });
        QObject::connect(j, &cAsync::ProgressState, j, [&](qint32) { seen("ProgressState"); });
        QObject::connect(j, &cAsync::Complete, j, complete);
        QObject::connect(j, &cAsync::Cancelled, j, cancelled);
        job.reset(j);
    } else if (kind == Kind::Check) {
        auto* j = new cAsync2;
        j->setFileName(catalogue);
        QObject::connect(j, &cAsync2::ProgressFile, j, [&](quint8, bool&) { seen("ProgressFile"); });
        QObject::connect(j, &cAsync2::ProgressState, j, [&](qint32) { seen("ProgressState"); });
        QObject::connect(j, &cAsync2::Complete, j,
                         [&](bool& s, QList<qint32>&, QList<qint32>&, QList<qint32>&) { complete(s); });
        QObject::connect(j, &cAsync2::Cancelled, j, cancelled);
        job.reset(j);
    } else {
        auto* j = new cAsync3;
        j->setFileName(output);
        j->setSpec(tree);
        j->setMask(QStringLiteral("*.*"));
        j->setFileRec(catalogue);
        QObject::connect(j, &cAsync3::ProgressMain, j, [&](qint32, bool&) { seen("ProgressMain"); });
        QObject::connect(j, &cAsync3::ProgressFolder, j, [&](qint32, bool&) { seen("ProgressFolder"); });
        QObject::connect(j, &cAsync3::ProgressFile, j, [&](qint32, bool&) { seen("ProgressFile"); });
        QObject::connect(j, &cAsync3::Complete, j, complete);
        QObject::connect(j, &cAsync3::Cancelled, j, cancelled);
        job.reset(j);
    }
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!job->running())
            return;
        cancelAt = clock.nsecsElapsed();
        run.requestMs = double(cancelAt) / 1e6;
        job->Cancel();
    });
    clock.start();
    if (job->Start())
        return run;
    if (cancelAfterMs >= 0)
        timer.start(int(cancelAfterMs));
    loop.exec();
    run.totalMs = double(clock.nsecsElapsed()) / 1e6;
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options args(app.arguments());
    const SyntheticTreeOptions options = args.tree();
    QString root = args.folder("--tree");
    const int cancels = int(args.number("--cancels", 20, 1));
    const unsigned seed = unsigned(args.number("--seed", 17, 0));
    const QString job = args.text("--job");
    const int onlyKind = job.isEmpty()                   ? -1
                         : job == QLatin1String("build") ? 0
                         : job == QLatin1String("check") ? 1
                                                         : 2;
    bool withinGiven = false;
    const double withinValue = args.text("--within").toDouble(&withinGiven);
    const double within = withinGiven ? withinValue : -1;
    QTemporaryDir temporary;
    if (root.isEmpty())
        root = temporary.filePath(QStringLiteral("tree"));
    JobConnection::setServerPath(QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv"));
    const SyntheticTree tree = MakeReportedTree(root, options);
    if (!tree.ok)
        return 1;
    const QString catalogue = temporary.filePath(QStringLiteral("ref.dat"));
    const QString output = temporary.filePath(QStringLiteral("out.dat"));

    // Whole runs first: how long each job lasts, and the catalogue that the check and the
    // search compare with.
    const double find = findSeconds(root);
    double whole[3] = {0, 0, 0};
    for (const Kind k : {Kind::Build, Kind::Check, Kind::NewFiles}) {
        const Run r = runJob(k, root, catalogue, k == Kind::Build ? catalogue : output, -1);
        if (!r.completed || !r.success) {
            std::fprintf(stderr, "%s did not complete\n", kindName(k));
            return 1;
        }
        whole[int(k)] = r.totalMs;
        if (k != Kind::Build)
            QFile::remove(output);
    }
    std::printf("whole runs: find -printf %.0f ms, build %.0f ms, check %.0f ms, newfiles %.0f ms\n",
                find * 1000, whole[0], whole[1], whole[2]);

    std::mt19937 random(seed);
    std::vector<double> latencies[3];
    const int kinds = onlyKind >= 0 ? 1 : 3;
    int lateTries = 0;
    std::printf("%-9s %10s  %-22s %10s %13s\n", "job", "cancel at", "last event before it", "latency",
                "events after");
    for (int i = 0; i < cancels * kinds;) {
        const Kind k = Kind(onlyKind >= 0 ? onlyKind : i % 3);
        std::uniform_real_distribution<double> when(0, within > 0 ? std::min(within, whole[int(k)] * 0.95)
                                                                  : whole[int(k)] * 0.95);
        const double at = when(random);
        const Run r = runJob(k, root, catalogue, output, at);
        if (!r.cancelled) {
            // Ended before the request: try another moment (a few times at most).
            if (++lateTries > 3 * cancels * kinds) {
                std::fprintf(stderr, "jobs keep ending before their cancel\n");
                return 1;
            }
            continue;
        }
        if (QFile::exists(output) && k != Kind::Check) {
            std::fprintf(stderr, "a cancelled %s left its file\n", kindName(k));
            return 1;
        }
        std::printf("%-9s %7.0f ms  %-22s %7.1f ms %13lld\n", kindName(k), r.requestMs, r.phase, r.latencyMs,
                    static_cast<long long>(r.eventsAfter));
        latencies[int(k)].push_back(r.latencyMs);
        ++i;
    }
    std::vector<double> all;
    const auto summary = [](const char* name, std::vector<double> l) {
        std::sort(l.begin(), l.end());
        double sum = 0;
        for (double v : l)
            sum += v;
        std::printf("cancel latency, %-8s over %3zu cancels: median %6.1f ms, mean %6.1f ms, max %6.1f ms\n",
                    name, l.size(), l[l.size() / 2], sum / double(l.size()), l.back());
    };
    for (const Kind k : {Kind::Build, Kind::Check, Kind::NewFiles}) {
        if (latencies[int(k)].empty())
            continue;
        summary(kindName(k), latencies[int(k)]);
        all.insert(all.end(), latencies[int(k)].begin(), latencies[int(k)].end());
    }
    summary("all", all);
    return 0;
}
