#pragma once

#include <QDateTime>
#include <QString>

namespace vambrel {

// The texts of the comparison windows, built from their values.
class CompareTexts {
public:
    static QString Caption() { return QStringLiteral("Comparaison"); }
    static QString CancelCaption() { return QStringLiteral("Clic sur la fenêtre pour annuler"); }
    static QString CancelQuestion() { return QStringLiteral("Annuler l'opération ?"); }
    // The failure of the check, after which the window closes.
    static QString Failure();
    // The failure of the search's start.
    static QString SearchFailure() {
        return QStringLiteral("Une erreur s'est produite pendant l'opération.");
    }

    // The two header lines: the catalogue, then the computer at `now`.
    static QString CatalogueLine(const QString& catalogueFile, const QString& created, const QString& source,
                                 const QString& mask);
    static QString ComputerLine(const QDateTime& now);

    // Category 0 to 3: the block's caption, the export heading, the details sentence.
    static QString BlockCaption(int category);
    static QString ExportHeading(int category);
    static QString DetailsSentence(int category);

    // A counter such as 12/340.
    static QString Counter(qint64 value, qint64 total);
    static QString NewFiles(qint64 count);

    // The search dialog's information line and third choice for a catalogue file.
    static QString SearchInfo(const QString& catalogueFile);
    static QString SourceChoice(const QString& catalogueFile);

    // The name part of a catalogue path, readable.
    static QString FileNamePart(const QString& path);
};

} // namespace vambrel
