#include "BuildProgressTexts.h"

#include "NativeName.h"

namespace vambrel {

QString BuildProgressTexts::Main(const QString& startFolder) {
    return QStringLiteral("Traite ") + DisplayName(startFolder);
}

QString BuildProgressTexts::Folders(qint32 count) {
    return QString::number(count) + QStringLiteral(" répertoires trouvés.");
}

QString BuildProgressTexts::Files(qint32 count) {
    return QStringLiteral("Total: ") + QString::number(count) + QStringLiteral(" fichiers trouvés.");
}

QString BuildProgressTexts::State(qint32 position) {
    return QString::number(position) + QStringLiteral(" traité(s).");
}

QString BuildProgressTexts::Failure(const QString& fileName, const QString& cause) {
    QString text = QStringLiteral("Une erreur s'est produite pendant la création de ") + fileName;
    if (!cause.isEmpty())
        text += QLatin1Char('\n') + cause;
    return text;
}

} // namespace vambrel
