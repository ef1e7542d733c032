#pragma once

#include <QString>

namespace vambrel {

// The program's own files, found from the folder of the running executable, never from the
// current folder or PATH. Installed, they sit at their place under the prefix, reached from bin/;
// run from the build tree, they sit beside the executable.
struct ProgramFiles {
    // The job server: <bin>/../libexec/vambrel/qvtSrv, else qvtSrv beside the executable.
    static QString serverProgram();
    // The help book's folder: <bin>/../share/vambrel/aide, else aide/ beside the executable.
    static QString helpFolder();

    // The rule for an executable in `exeDir`: the installed place when it exists, else the place
    // beside when that exists, else the installed place (for a message that names it).
    static QString find(const QString& exeDir, const QString& installed, const QString& beside);
    // The installed places, relative to the bin folder ("../libexec/vambrel/qvtSrv").
    static QString installedServer();
    static QString installedHelp();
};

} // namespace vambrel
