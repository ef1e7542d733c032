// Building a catalogue from the program's progress window beside `qvtjob build --quiet` of the
// same tree, warm cache, with how responsive the window stays: the longest gap between two
// repaints of the progress window while the build runs (a repaint is asked every 10 ms), and the
// longest delay of that 10 ms timer. The open of the finished catalogue is timed apart.
// Usage: bench_newcatalogue [TREE [files [folders [maxFileSize [rounds]]]]] (a temporary tree of
// 200,000 empty files in 20,000 folders by default; a TREE given is filled once and reused; a
// million files: bench_newcatalogue /tmp/vambrel-bench-1m 1000000 50000 0).

#include "JobConnection.h"
#include "SyntheticTree.h"
#include "cAsync.h"
#include "catalogue/frmInfo.h"
#include "shell/frmVambrel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace vambrel;

namespace {

const QString kBinaryDir = QStringLiteral(VAMBREL_BINARY_DIR);

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double seconds(qint64 ns) {
    return static_cast<double>(ns) / 1e9;
}

double qvtjobSeconds(const QString& tree, const QString& file) {
    QFile::remove(file);
    QProcess job;
    job.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    job.start(kBinaryDir + QStringLiteral("/qvtjob"),
              {QStringLiteral("build"), file, QStringLiteral("--spec"), tree, QStringLiteral("--quiet")});
    const bool ok =
        job.waitForFinished(-1) && job.exitStatus() == QProcess::NormalExit && job.exitCode() == 0;
    const qint64 ns = timer.nsecsElapsed();
    QFile::remove(file);
    return ok ? seconds(ns) : -1;
}

// Time stamps of the paints of one window and of the ticks of a timer.
class Watch : public QObject {
public:
    QWidget* window = nullptr;
    bool active = false;
    qint64 paints = 0;
    qint64 lastPaint = -1, longestPaintGap = 0;
    qint64 lastTick = -1, longestTickGap = 0;
    QElapsedTimer clock;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (active && event->type() == QEvent::Paint && window) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window() == window) {
                const qint64 now = clock.nsecsElapsed();
                if (lastPaint >= 0)
                    longestPaintGap = std::max(longestPaintGap, now - lastPaint);
                lastPaint = now;
                ++paints;
            }
        }
        return false;
    }
    // Each tick also asks for a repaint, so that the gap between two repaints is the time the
    // event loop took to come round, not a pause in what there was to show.
    void tick() {
        if (!active)
            return;
        if (window)
            window->update();
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0)
            longestTickGap = std::max(longestTickGap, now - lastTick);
        lastTick = now;
    }
};

struct WindowRun {
    double build = -1; // shown to the end of the job
    double open = -1;  // the end of the job to the catalogue open in its window
    double longestPaintGap = -1;
    double longestTickGap = -1;
    double clientCpu = -1; // processor time of the window thread from show to the end of the job
    qint64 paints = 0;
};

// With probe, paints and timer ticks are watched (and cost time): one run for responsiveness,
// others for time.
WindowRun windowSeconds(const QString& tree, const QString& file, bool probe) {
    QFile::remove(file);
    // A fresh server for each build, as qvtjob has.
    client::JobConnection::instance().stopServer();
    WindowRun run;
    frmVambrel main;
    main.setMessageHandler([](QMessageBox::Icon, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    main.show();
    Watch watch;
    if (probe)
        qApp->installEventFilter(&watch);
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&watch] { watch.tick(); });

    main.hide();
    QPointer<frmInfo> info = new frmInfo(&main);
    info->setSpec(tree);
    info->setMask(QStringLiteral("*.*"));
    info->setFileName(file);
    watch.window = info;
    qint64 completeAt = -1;
    double cpuAtComplete = -1;
    QElapsedTimer timer;
    watch.clock.start();
    timer.start();
    QObject::connect(info, &frmInfo::BuildEnded, info, [&](bool) {
        completeAt = timer.nsecsElapsed();
        cpuAtComplete = cpuSeconds();
        watch.active = false;
    });
    const double cpuAtStart = cpuSeconds();
    watch.active = probe;
    if (probe)
        ticker.start();
    info->show();
    while (info)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 end = timer.nsecsElapsed();
    ticker.stop();
    qApp->removeEventFilter(&watch);
    if (completeAt < 0 || main.catalogueWindows().isEmpty())
        return run;
    run.build = seconds(completeAt);
    run.clientCpu = cpuAtComplete - cpuAtStart;
    run.open = seconds(end - completeAt);
    run.longestPaintGap = seconds(watch.longestPaintGap) * 1000;
    run.longestTickGap = seconds(watch.longestTickGap) * 1000;
    run.paints = watch.paints;
    main.mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QFile::remove(file);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir scratch(QDir::temp().filePath(QStringLiteral("bench_newcatalogue-XXXXXX")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
    client::JobConnection::setServerPath(kBinaryDir + QStringLiteral("/qvtSrv"));

    SyntheticTreeOptions options;
    options.maxFileSize = 0;
    QString tree = scratch.filePath(QStringLiteral("tree"));
    if (args.size() > 1)
        tree = args[1];
    if (args.size() > 2)
        options.files = args[2].toInt();
    options.folders = args.size() > 3 ? args[3].toInt() : std::max(1, options.files / 10);
    if (args.size() > 4)
        options.maxFileSize = args[4].toInt();
    const int rounds = args.size() > 5 ? std::max(1, args[5].toInt()) : 2;
    const SyntheticTree synthetic = MakeReportedTree(tree, options);
    if (!synthetic.ok)
        return 1;

    const QString file = scratch.filePath(QStringLiteral("out.dat"));
    qvtjobSeconds(tree, file); // warms the cache
    double bestJob = -1, bestWindow = -1, bestOpen = -1;
    for (int i = 0; i < rounds; ++i) {
        // Each goes first in turn, so that neither always finds what the other left behind.
        double job = -1;
        WindowRun window;
        if (i % 2 == 0) {
            job = qvtjobSeconds(tree, file);
            window = windowSeconds(tree, file, false);
        } else {
            window = windowSeconds(tree, file, false);
            job = qvtjobSeconds(tree, file);
        }
        if (job < 0 || window.build < 0) {
            std::fprintf(stderr, "a build failed\n");
            return 1;
        }
        bestJob = bestJob < 0 ? job : std::min(bestJob, job);
        bestWindow = bestWindow < 0 ? window.build : std::min(bestWindow, window.build);
        bestOpen = bestOpen < 0 ? window.open : std::min(bestOpen, window.open);
        std::printf("  round %d: qvtjob %.3f s, window %.3f s (window thread busy %.3f s)\n", i + 1, job,
                    window.build, window.clientCpu);
    }
    const WindowRun probed = windowSeconds(tree, file, true);
    if (probed.build < 0) {
        std::fprintf(stderr, "a build failed\n");
        return 1;
    }
    const double worstPaint = probed.longestPaintGap, worstTick = probed.longestTickGap;
    const qint64 paints = probed.paints;
    std::printf("warm cache, best of %d:\n", rounds);
    std::printf("  qvtjob build --quiet:        %8.3f s\n", bestJob);
    std::printf("  build from the window:       %8.3f s   %+.1f %% over qvtjob\n", bestWindow,
                (bestWindow / bestJob - 1) * 100);
    std::printf("  opening the new catalogue:   %8.3f s\n", bestOpen);
    std::printf("  watched build (window %.3f s, a repaint asked every 10 ms):\n", probed.build);
    std::printf("  longest gap between repaints of the window during a build: %.1f ms (%lld paints)\n",
                worstPaint, static_cast<long long>(paints));
    std::printf("  longest delay of a 10 ms timer during a build:            %.1f ms\n", worstTick);
    return 0;
}
