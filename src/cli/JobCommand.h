#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

namespace vambrel {

// qvtjob: runs one job through qvtSrv exactly as the program does and prints its events, or
// prints the version record of files. Needs a QCoreApplication; runs its own event loop.
class JobCommand {
public:
    // Exit codes of `build`; verinfo exits 0, or 1 when a file could not be read.
    enum Exit { Completed = 0, Failed = 1, Cancelled = 2, Usage = 64 };

    JobCommand(std::FILE* out, std::FILE* err) : m_out(out), m_err(err) {}

    // `args` without the program name.
    int run(const QStringList& args);

    // The quoted form of a text in event lines: C escapes for '\\', '"' and control characters,
    // \uXXXX for a lone surrogate, so that one event is always one line.
    static QString quoted(const QString& text);
    static QString helpText();

private:
    int build(const QStringList& args);
    int verinfo(const QStringList& args);
    int usage(const QString& problem);
    void print(std::FILE* f, const QString& text);

    std::FILE* m_out;
    std::FILE* m_err;
};

} // namespace vambrel
