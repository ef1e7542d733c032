#pragma once

#include <QString>
#include <QtGlobal>

namespace vambrel {

// The texts of the build progress window, numbers in plain decimal.
class BuildProgressTexts {
public:
    static QString Caption() { return QStringLiteral("Clic sur la fenêtre pour annuler"); }
    static QString CancelQuestion() { return QStringLiteral("Annuler l'opération ?"); }
    // lblInfo(0): the start folder being read.
    static QString Main(const QString& startFolder);
    // lblInfo(1): the folders found in it.
    static QString Folders(qint32 count);
    // lblInfo(2): the files found so far.
    static QString Files(qint32 count);
    // lblInfo(3): the folders done.
    static QString State(qint32 position);
    // A failed build; the cause, when known, on a line of its own.
    static QString Failure(const QString& fileName, const QString& cause);
};

} // namespace vambrel
