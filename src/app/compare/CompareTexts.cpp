#include "CompareTexts.h"

#include "NativeName.h"

namespace vambrel {

QString CompareTexts::Failure() {
    return QStringLiteral("Une erreur s'est produite pendant l'opération.\nLa fenêtre va être fermée.");
}

QString CompareTexts::FileNamePart(const QString& path) {
    return DisplayName(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
}

QString CompareTexts::CatalogueLine(const QString& catalogueFile, const QString& created,
                                    const QString& source, const QString& mask) {
    return FileNamePart(catalogueFile) + QStringLiteral(" créé le ") + created +
           QStringLiteral(", source: ") + DisplayName(source) + QStringLiteral(", masque: ") + mask;
}

QString CompareTexts::ComputerLine(const QDateTime& now) {
    return QStringLiteral("versus Poste de travail du ") +
           now.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) + QLatin1Char('.');
}

QString CompareTexts::BlockCaption(int category) {
    switch (category) {
    case 0:
        return QStringLiteral("Fichiers identiques");
    case 1:
        return QStringLiteral("Fichiers présentant des différences");
    case 2:
        return QStringLiteral("Fichiers supprimés du Poste de travail");
    case 3:
        return QStringLiteral("Fichiers nouveaux");
    default:
        return {};
    }
}

QString CompareTexts::ExportHeading(int category) {
    switch (category) {
    case 0:
        return QStringLiteral("[Fichiers identiques]");
    case 1:
        return QStringLiteral("[Fichiers présentant des différences]");
    case 2:
        return QStringLiteral("[Fichiers supprimés du Poste de Travail]");
    case 3:
        return QStringLiteral("[Fichiers ajoutés]");
    default:
        return {};
    }
}

QString CompareTexts::DetailsSentence(int category) {
    switch (category) {
    case 0:
        return QStringLiteral("Ce fichier n'a pas été modifié.");
    case 1:
        return QStringLiteral("Ce fichier a été modifié.");
    case 2:
        return QStringLiteral("Ce fichier a été supprimé.");
    case 3:
        return QStringLiteral("Ce fichier a été ajouté.");
    default:
        return {};
    }
}

QString CompareTexts::Counter(qint64 value, qint64 total) {
    return QString::number(value) + QLatin1Char('/') + QString::number(total);
}

QString CompareTexts::NewFiles(qint64 count) {
    return QString::number(count) + QStringLiteral(" fichiers nouveaux");
}

QString CompareTexts::SearchInfo(const QString& catalogueFile) {
    return QStringLiteral("Vambrel va rechercher sur le Poste de travail les fichiers") +
           QStringLiteral(" qui n'existaient pas lors de la création de ") + FileNamePart(catalogueFile) +
           QStringLiteral(". Effectuer cette recherche:");
}

QString CompareTexts::SourceChoice(const QString& catalogueFile) {
    return QStringLiteral("A partir de la source du fichier ") + FileNamePart(catalogueFile);
}

} // namespace vambrel
