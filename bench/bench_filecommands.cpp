// The explorer's file commands around the shell operation: the folder watcher's wait (the event
// loop's longest stall while it waits, how soon it ends once a change is seen) and the destroy
// routine's seven flushed passes.
//
// Run alone: build-bench/bench/bench_filecommands [MiB to destroy, default 64] [folder, default
// a temporary folder]

#include "BenchTools.h"
#include "explorer/FileDestroyer.h"
#include "explorer/FolderWatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace vambrel;

namespace {

// The longest time between two ticks of a 5 ms timer while `work` runs, in milliseconds.
double longestStall(const std::function<void()>& work) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start();
    work();
    longest = std::max(longest, clock.nsecsElapsed() - last);
    return double(longest) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int mebibytes = argc > 1 ? std::max(1, atoi(argv[1])) : 64;
    QTemporaryDir tmp(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/benchXXXXXX")
                               : QDir::tempPath() + QStringLiteral("/benchXXXXXX"));
    const QString dir = tmp.path();

    {
        FolderWatcher watcher;
        watcher.setFolder(dir);
        watcher.addWatch(1, FolderWatcher::FileNames);
        watcher.start();
        QElapsedTimer timer;
        timer.start();
        const double stall = longestStall([&] { watcher.wait(500); });
        std::printf("watcher, no change: wait(500) took %.0f ms, longest event-loop stall %.1f ms\n",
                    bench::seconds(timer) * 1000, stall);
    }
    {
        FolderWatcher watcher;
        watcher.setFolder(dir);
        watcher.addWatch(1, FolderWatcher::FileNames);
        watcher.start();
        QTimer::singleShot(20, [&] { QFile(dir + QStringLiteral("/new")).open(QIODevice::WriteOnly); });
        QElapsedTimer timer;
        timer.start();
        watcher.wait(500);
        std::printf("watcher, change after 20 ms: wait(500) ended after %.0f ms, signalled %s\n",
                    bench::seconds(timer) * 1000, watcher.signalled(1) ? "yes" : "no");
    }
    {
        const QString name = QStringLiteral("victim.bin");
        QFile file(dir + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < mebibytes; ++i)
            file.write(block);
        file.close();
        FileDestroyer destroyer;
        QElapsedTimer timer;
        timer.start();
        const bool ok = destroyer.Destroy(dir, name).ok;
        const double s = bench::seconds(timer);
        std::printf("destroy %d MiB: %s in %.2f s, %.0f MiB/s written over the seven passes\n", mebibytes,
                    ok ? "done" : "FAILED", s, 7.0 * mebibytes / s);
    }
    return 0;
}
