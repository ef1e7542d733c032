#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>

class QEventLoop;

namespace vambrel {

namespace client {
class JobProxy;
}

// qvtjob: runs one job through qvtSrv exactly as the program does and prints its events, or
// prints the version record of files. Needs a QCoreApplication; runs its own event loop.
class JobCommand {
public:
    // Exit codes of build, check and newfiles; verinfo exits 0, or 1 when a file could not be read.
    enum Exit { Completed = 0, Failed = 1, Cancelled = 2, Usage = 64 };

    JobCommand(std::FILE* out, std::FILE* err) : m_out(out), m_err(err) {}

    // `args` without the program name.
    int run(const QStringList& args);

    // The quoted form of a text in event lines: C escapes for '\\', '"' and control characters,
    // \uXXXX for a lone surrogate, so that one event is always one line.
    static QString quoted(const QString& text);
    static QString helpText();

private:
    struct Options;
    // Reads the arguments of a job command: `positional` names in order, the options `allowed`,
    // the events that --cancel-on may name. Returns 0, or the Usage exit after telling why.
    int parse(const QStringList& args, const QStringList& positional, const QStringList& allowed,
              const QStringList& cancelable, Options& o);
    int build(const QStringList& args);
    int check(const QStringList& args);
    int newfiles(const QStringList& args);
    int verinfo(const QStringList& args);
    // Starts the job and runs `loop` until a handler quits it; returns `status` as the handlers
    // left it, or Failed when the job was refused.
    int start(client::JobProxy& job, QEventLoop& loop, const int& status);
    // Connects the job's Cancelled, which prints itself and ends `loop` with the Cancelled exit,
    // then starts the job as start() does.
    template <typename Job> int startWithCancel(Job& job, QEventLoop& loop, int& status);
    // Prints Complete, and the cause on the error output when it failed; returns the exit code.
    int completed(client::JobProxy& job, bool success);
    // Prints the sorted files of a check, one line each: category code, tab, full path.
    bool printPaths(const QString& catalogue, const QList<qint32> (&lists)[3]);
    int usage(const QString& problem);
    void print(std::FILE* f, const QString& text);

    std::FILE* m_out;
    std::FILE* m_err;
};

} // namespace vambrel
