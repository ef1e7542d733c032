#pragma once

#include <QString>
#include <QStringList>

namespace vambrel {

// Starts an application detached from the program. Tests put their own in its place
// (mShellExecute::setLauncher) so that no real application starts.
class ShellLauncher {
public:
    virtual ~ShellLauncher() = default;
    // command[0] is the program's full path; false when it could not be started.
    virtual bool launch(const QStringList& command, const QString& workingFolder, qint64* processId);
};

} // namespace vambrel
