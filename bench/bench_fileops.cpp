// The file-operation engine beside cp(1) in the same run: copying one large file, copying a
// folder of small files, moving many files within one file system, trashing many files; and the
// longest wait of the event loop while cSHFileOp copies the large file with its progress window.
// The engine flushes every copy to the disk before renaming it into place; cp does not, so cp is
// also timed followed by sync(1) of what it wrote.
// Usage: bench_fileops [FOLDER [megabytes [files]]] (a temporary folder, 1024 MiB and 10,000
// files by default; FOLDER must be on a disk, not in memory, to mean anything).

#include "BenchTools.h"
#include "FileOperation.h"
#include "explorer/cSHFileOp.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace vambrel;
using bench::seconds;

namespace {

class QuietHost : public fileops::Host {
public:
    fileops::Reply ask(const fileops::Question&) override { return fileops::Reply::Yes; }
    void error(const QString& message) override {
        std::fprintf(stderr, "  error: %s\n", qPrintable(message));
    }
    void progress(const fileops::Progress&) override { ++calls; }
    bool cancelRequested() override { return false; }
    qint64 calls = 0;
};

double run(const QString& program, const QStringList& arguments) {
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(program, arguments) != 0)
        return -1;
    return seconds(timer);
}

double engine(fileops::Function function, const QStringList& sources, const QStringList& destinations,
              bool trash = false) {
    fileops::Options options;
    options.recycleBin = trash;
    options.confirmOperation = false;
    QuietHost host;
    QElapsedTimer timer;
    timer.start();
    const bool ok = fileops::RunFileOperation(function, options, sources, destinations, host);
    const double elapsed = seconds(timer);
    return ok ? elapsed : -1;
}

void settle() {
    ::sync();
}

bool writeLarge(const QString& path, qint64 megabytes) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    quint64 seed = 88172645463325252ULL;
    bool ok = true;
    for (qint64 m = 0; m < megabytes && ok; ++m) {
        auto* words = reinterpret_cast<quint64*>(block.data());
        for (qsizetype i = 0; i < block.size() / 8; ++i) {
            seed ^= seed << 13;
            seed ^= seed >> 7;
            seed ^= seed << 17;
            words[i] = seed;
        }
        ok = ::write(fd, block.constData(), size_t(block.size())) == block.size();
    }
    return ::close(fd) == 0 && ok;
}

QStringList makeSmallFiles(const QString& folder, int count) {
    QDir().mkpath(folder);
    QStringList paths;
    QByteArray data(8192, 'q');
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/file%1.dat").arg(i, 5, 10, QLatin1Char('0'));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(data.constData(), 512 + (i * 37) % 7680);
        paths << path;
    }
    return paths;
}

// cSHFileOp copying `source` into `folder` from a window: the time and the longest time between
// two turns of the event loop (a 5 ms timer measures them).
void windowCopy(const QString& source, const QString& folder) {
    // A window with text, as the explorer is: its fonts are loaded before the work starts.
    QLabel window(QStringLiteral("Poste de Travail"));
    window.resize(800, 600);
    window.show();
    QEventLoop painted;
    QTimer::singleShot(200, &painted, &QEventLoop::quit);
    painted.exec();
    cSHFileOp op;
    op.setParentWnd(&window);
    op.AddSourceFile(source);
    op.AddDestFile(folder);
    QElapsedTimer gap;
    qint64 longest = 0;
    QTimer turn;
    turn.setInterval(5);
    QElapsedTimer timer;
    qint64 longestEnd = 0;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        if (gap.nsecsElapsed() > longest)
            longestEnd = timer.elapsed();
        longest = std::max(longest, gap.nsecsElapsed());
        gap.restart();
    });
    timer.start();
    gap.start();
    turn.start();
    const bool ok = op.CopyFiles();
    turn.stop();
    std::printf("%-40s ours %8.3f s   longest wait of the event loop %.1f ms (ending at %lld ms)%s\n",
                "cSHFileOp copying the large file", seconds(timer), double(longest) / 1e6, longestEnd,
                ok ? "" : "   (failed)");
}

void line(const char* what, double ours, double cp, double cpSync, double rateBase = 0) {
    std::printf("%-40s ours %8.3f s", what, ours);
    if (cp >= 0)
        std::printf("   cp %8.3f s   cp+sync %8.3f s   ratio ours/(cp+sync) %.2f  ours/cp %.2f", cp, cpSync,
                    ours / cpSync, ours / cp);
    if (rateBase > 0)
        std::printf("   ours %.0f MB/s, cp+sync %.0f MB/s, cp %.0f MB/s", rateBase / ours / 1e6,
                    rateBase / cpSync / 1e6, rateBase / cp / 1e6);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir temporary(args.size() > 1 ? args.at(1) + QStringLiteral("/bench_fileops-XXXXXX")
                                            : QDir::tempPath() + QStringLiteral("/bench_fileops-XXXXXX"));
    if (!temporary.isValid()) {
        std::fprintf(stderr, "no folder to work in\n");
        return 1;
    }
    const qint64 megabytes = args.size() > 2 ? args.at(2).toLongLong() : 1024;
    const int files = args.size() > 3 ? args.at(3).toInt() : 10'000;
    const QString root = temporary.path();
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/xdg")));
    std::printf("bench_fileops in %s: %lld MiB, %d files\n", qPrintable(root), megabytes, files);

    // One large file.
    const QString large = root + QStringLiteral("/large.bin");
    if (!writeLarge(large, megabytes))
        return 1;
    QDir().mkpath(root + QStringLiteral("/cp1"));
    QDir().mkpath(root + QStringLiteral("/ours1"));
    const double bytes = double(megabytes) * 1048576.0;
    double bestCp = 1e9, bestCpSync = 1e9, bestOurs = 1e9;
    for (int round = 0; round < 3; ++round) {
        settle();
        QFile::remove(root + QStringLiteral("/cp1/large.bin"));
        QFile::remove(root + QStringLiteral("/ours1/large.bin"));
        settle();
        QElapsedTimer timer;
        timer.start();
        const double cp = run(QStringLiteral("cp"), {large, root + QStringLiteral("/cp1/large.bin")});
        run(QStringLiteral("sync"), {root + QStringLiteral("/cp1/large.bin")});
        const double cpSync = seconds(timer);
        settle();
        const double ours = engine(fileops::Function::Copy, {large}, {root + QStringLiteral("/ours1")});
        if (cp < 0 || ours < 0)
            return 1;
        bestCp = std::min(bestCp, cp);
        bestCpSync = std::min(bestCpSync, cpSync);
        bestOurs = std::min(bestOurs, ours);
    }
    line("copy one large file (best of 3)", bestOurs, bestCp, bestCpSync, bytes);
    QFile::remove(root + QStringLiteral("/ours1/large.bin"));
    settle();
    windowCopy(large, root + QStringLiteral("/ours1"));
    QFile::remove(large);
    QFile::remove(root + QStringLiteral("/cp1/large.bin"));
    QFile::remove(root + QStringLiteral("/ours1/large.bin"));

    // A folder of small files.
    const QString small = root + QStringLiteral("/small");
    const QStringList smallFiles = makeSmallFiles(small, files);
    if (smallFiles.isEmpty())
        return 1;
    bestCp = bestCpSync = bestOurs = 1e9;
    for (int round = 0; round < 2; ++round) {
        QDir(root + QStringLiteral("/cp2")).removeRecursively();
        QDir(root + QStringLiteral("/ours2")).removeRecursively();
        QDir().mkpath(root + QStringLiteral("/ours2"));
        settle();
        QElapsedTimer timer;
        timer.start();
        const double cp =
            run(QStringLiteral("cp"), {QStringLiteral("-r"), small, root + QStringLiteral("/cp2")});
        const int rootFd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::syncfs(rootFd);
        ::close(rootFd);
        const double cpSync = seconds(timer);
        settle();
        const double ours = engine(fileops::Function::Copy, {small}, {root + QStringLiteral("/ours2")});
        if (cp < 0 || ours < 0)
            return 1;
        bestCp = std::min(bestCp, cp);
        bestCpSync = std::min(bestCpSync, cpSync);
        bestOurs = std::min(bestOurs, ours);
    }
    line("copy a folder of small files (best of 2)", bestOurs, bestCp, bestCpSync);

    // Moving each small file, as a list of sources, within the file system.
    settle();
    QDir().mkpath(root + QStringLiteral("/moved"));
    const double move = engine(fileops::Function::Move, smallFiles, {root + QStringLiteral("/moved")});
    line("move the files one by one", move, -1, -1);

    // Trashing them, as a list of sources.
    QStringList moved;
    for (const QString& path : smallFiles)
        moved << root + QStringLiteral("/moved/") + QFileInfo(path).fileName();
    settle();
    const double trash = engine(fileops::Function::Delete, moved, {}, true);
    line("send the files to the trash", trash, -1, -1);
    std::printf("targets: large copy >= 90%% of cp's throughput, small files <= 1.5x cp -r, move <= 1 s, "
                "trash <= 2 s\n");
    return move < 0 || trash < 0 ? 1 : 0;
}
