#include "ShellLauncher.h"

#include <QProcess>

namespace vambrel {

bool ShellLauncher::launch(const QStringList& command, const QString& workingFolder, qint64* processId) {
    if (command.isEmpty())
        return false;
    // Arguments go to the program as they are: no shell ever reads them.
    return QProcess::startDetached(command.first(), command.mid(1), workingFolder, processId);
}

} // namespace vambrel
