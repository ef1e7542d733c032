// Long run: several builds of one large tree in a row on one qvtSrv (the client library keeps
// one server per client process), with the server's memory and open descriptors after each
// build. A server that keeps something per job grows from build to build; a flat one stays at
// its first figure.
// Usage: bench_longrun [--tree DIR] [--files N] [--folders N] [--max-size N] [--builds N]
//        (1,000,000 empty files in 50,000 folders in a temporary folder and five builds by
//        default; a million inodes for the tree. A DIR given is filled once and reused.)
//        VAMBREL_QVTSRV=PATH runs the builds on that server instead of the one built beside.

#include "BenchTools.h"
#include "JobConnection.h"
#include "SyntheticTree.h"
#include "cAsync.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

using namespace vambrel;
using namespace vambrel::bench;
using namespace vambrel::client;

namespace {

struct Memory {
    qint64 rssKb = 0;
    qint64 hwmKb = 0;
    qint64 fds = 0;
};

Memory memoryOf(qint64 pid) {
    Memory m;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const qint64 kb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
            if (line.startsWith("VmRSS:"))
                m.rssKb = kb;
            else if (line.startsWith("VmHWM:"))
                m.hwmKb = kb;
        }
    }
    m.fds = QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                .size();
    return m;
}

struct Build {
    bool ok = false;
    double seconds = 0;
    QString cause;
};

Build build(const QString& root, const QString& target) {
    QFile::remove(target);
    Build run;
    QEventLoop loop;
    cAsync job;
    job.setFileName(target);
    job.setSpec(root);
    job.setMask(QStringLiteral("*.*"));
    QObject::connect(&job, &cAsync::Complete, &job, [&](bool& success) {
        run.ok = success;
        loop.quit();
    });
    QObject::connect(&job, &cAsync::Cancelled, &job, [&] { loop.quit(); });
    QElapsedTimer timer;
    timer.start();
    if (const auto error = job.Start()) {
        run.cause = error->description;
        return run;
    }
    loop.exec();
    run.seconds = seconds(timer);
    if (!run.ok)
        run.cause = job.errorText();
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options args(app.arguments());
    SyntheticTreeOptions defaults;
    defaults.files = 1'000'000;
    defaults.folders = 50'000;
    defaults.maxFileSize = 0;
    const SyntheticTreeOptions options = args.tree(defaults);
    QString root = args.folder("--tree");
    const int builds = int(args.number("--builds", 5, 1));
    QTemporaryDir temporary;
    if (root.isEmpty())
        root = temporary.filePath(QStringLiteral("tree"));
    // VAMBREL_QVTSRV, when set, names another server: a sanitizer build's, for instance.
    if (qEnvironmentVariableIsEmpty("VAMBREL_QVTSRV"))
        JobConnection::setServerPath(QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv"));
    const SyntheticTree tree = MakeReportedTree(root, options);
    if (!tree.ok)
        return 1;
    const QString target = temporary.filePath(QStringLiteral("long.dat"));

    std::printf("%5s %9s %12s %11s %11s %5s\n", "build", "seconds", "catalogue MB", "qvtSrv RSS",
                "qvtSrv peak", "fds");
    qint64 server = 0;
    Memory first, last;
    for (int i = 1; i <= builds; ++i) {
        const Build b = build(root, target);
        if (!b.ok) {
            std::fprintf(stderr, "build %d failed: %s\n", i, qPrintable(b.cause));
            return 1;
        }
        const qint64 pid = JobConnection::instance().serverProcessId();
        if (server && pid != server) {
            std::fprintf(stderr, "build %d ran on a new server (%lld, was %lld)\n", i,
                         static_cast<long long>(pid), static_cast<long long>(server));
            return 1;
        }
        server = pid;
        last = memoryOf(pid);
        if (i == 1)
            first = last;
        std::printf("%5d %9.1f %12.1f %8.1f MB %8.1f MB %5lld\n", i, b.seconds,
                    static_cast<double>(QFileInfo(target).size()) / 1e6,
                    static_cast<double>(last.rssKb) / 1024, static_cast<double>(last.hwmKb) / 1024,
                    static_cast<long long>(last.fds));
        std::fflush(stdout);
        QFile::remove(target);
    }
    std::printf("qvtSrv %lld over %d builds of %lld files: RSS %+.1f MB, peak %+.1f MB, descriptors %+lld "
                "from build 1 to build %d\n",
                static_cast<long long>(server), builds, static_cast<long long>(tree.files),
                static_cast<double>(last.rssKb - first.rssKb) / 1024,
                static_cast<double>(last.hwmKb - first.hwmKb) / 1024,
                static_cast<long long>(last.fds - first.fds), builds);
    return 0;
}
