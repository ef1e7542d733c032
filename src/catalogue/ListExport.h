#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace vambrel {

// Writes a text export of a list in one piece: UTF-8 lines ended by LF, written under a temporary
// name in the target's folder and renamed into place only once complete, so that a failure never
// leaves a half file under the chosen name (an older file of that name stays as it was).
class ListExport {
public:
    // The bytes of entry `index` (0 to count - 1), without its line end.
    using Entry = std::function<QByteArray(qint64 index)>;

    // The header texts are written as UTF-8, each on its own line. Returns an empty text on
    // success, otherwise the French message with its cause.
    static QString write(const QString& path, const QStringList& headerLines, qint64 count,
                         const Entry& entry);

    // The French cause of a system error number.
    static QString causeText(int error);
};

} // namespace vambrel
