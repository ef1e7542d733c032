// What the job benchmarks share: timing, find(1) on a tree, dropping the caches, and a qvtjob
// run with its output, exit status and the peak memory of the server it started.
#pragma once

#include "SyntheticTree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryFile>
#include <algorithm>
#include <limits>
#include <unistd.h>

namespace vambrel::bench {

inline const QString kQvtjob = QStringLiteral(VAMBREL_BINARY_DIR "/qvtjob");

// A benchmark's command line: options that take a value ("--runs 5") and switches ("--cold"),
// in any order; an option given twice keeps its last value.
class Options {
public:
    explicit Options(const QStringList& args) : m_args(args) {}

    bool flag(const char* name) const { return m_args.contains(QLatin1String(name)); }
    QString text(const char* name, const QString& fallback = {}) const {
        QString value = fallback;
        for (qsizetype i = 1; i + 1 < m_args.size(); ++i)
            if (m_args.at(i) == QLatin1String(name))
                value = m_args.at(++i);
        return value;
    }
    // A number not below `least`; `fallback` when the option is absent or not a number.
    qint64 number(const char* name, qint64 fallback,
                  qint64 least = std::numeric_limits<qint64>::min()) const {
        bool ok = false;
        const qint64 value = text(name).toLongLong(&ok);
        return ok ? std::max(least, value) : fallback;
    }
    // A folder made absolute; empty when the option is absent.
    QString folder(const char* name) const {
        const QString value = text(name);
        return value.isEmpty() ? value : QDir(value).absolutePath();
    }
    // --files, --folders and --max-size over the defaults given.
    SyntheticTreeOptions tree(SyntheticTreeOptions defaults = {}) const {
        defaults.files = int(number("--files", defaults.files, 0));
        defaults.folders = int(number("--folders", defaults.folders, 1));
        defaults.maxFileSize = int(number("--max-size", defaults.maxFileSize, 0));
        return defaults;
    }

private:
    QStringList m_args;
};

inline double seconds(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// The time of `find ROOT -printf '%s %T@ %p\n' > /dev/null`; -1 when it failed.
inline double findSeconds(const QString& root) {
    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    find.start(QStringLiteral("find"), {root, QStringLiteral("-printf"), QStringLiteral("%s %T@ %p\\n")});
    if (!find.waitForFinished(-1) || find.exitCode() != 0)
        return -1;
    return seconds(timer);
}

// Empties the page cache (root only); false when it could not.
inline bool dropCaches() {
    ::sync();
    QFile f(QStringLiteral("/proc/sys/vm/drop_caches"));
    return f.open(QIODevice::WriteOnly) && f.write("3\n") == 2;
}

// The peak resident memory so far of a process, in kB (0 when it is gone).
inline qint64 peakKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// The server a qvtjob started: its child named qvtSrv; 0 when there is none yet.
inline qint64 serverOf(qint64 clientPid) {
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(clientPid));
    if (!children.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& pid : children.readAll().split(' ')) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid.trimmed())));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "qvtSrv")
            return pid.trimmed().toLongLong();
    }
    return 0;
}

struct JobRun {
    double seconds = -1;
    qint64 lines = 0;    // lines printed by qvtjob
    qint64 serverKb = 0; // peak resident memory of qvtSrv seen
    QByteArray output;   // what qvtjob printed
    QByteArray errors;
    int exitCode = -1;
    bool ok = false; // exit status 0: Complete true
};

// Runs qvtjob with `args`. Its output goes to a file, read at the end: a pipe read now and then
// would hold the client, and so the server, up.
inline JobRun runQvtjob(const QStringList& args) {
    JobRun run;
    QTemporaryFile out;
    if (!out.open())
        return run;
    QProcess job;
    job.setStandardOutputFile(out.fileName());
    QElapsedTimer timer;
    timer.start();
    job.start(kQvtjob, args);
    if (!job.waitForStarted())
        return run;
    qint64 server = 0;
    while (!job.waitForFinished(20)) {
        if (!server)
            server = serverOf(job.processId());
        if (server)
            run.serverKb = std::max(run.serverKb, peakKb(server));
    }
    run.seconds = seconds(timer);
    run.output = out.readAll();
    run.lines = run.output.count('\n');
    run.errors = job.readAllStandardError();
    run.exitCode = job.exitStatus() == QProcess::NormalExit ? job.exitCode() : -1;
    run.ok = run.exitCode == 0;
    return run;
}

} // namespace vambrel::bench
