#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vambrel {

// What the new-catalogue dialog answers: the start folders in the form of the builder's Spec
// (drives in list order joined by the start-folder separator, or one folder as typed) and the
// pattern. A start folder holding that separator cannot be told apart from two: it is refused.
class NewCatalogueAnswer {
public:
    enum class Verdict { Ok, NoDrive, SeparatorInPath };

    struct Choice {
        bool drives = false;   // "A partir des lecteurs" rather than "A partir du répertoire"
        QStringList driveList; // every drive of the list, in list order
        QList<bool> selected;  // per drive of driveList
        QString folder;        // the folder box's text
        QString mask;          // the pattern box's text
    };

    struct Result {
        Verdict verdict = Verdict::Ok;
        QString tag;     // empty when refused, or for an empty folder box (taken as cancelled)
        QString mask;    // "*.*" for an empty pattern
        QString message; // the French message of a refusal
    };

    static Result Decide(const Choice& choice);

    // Why a build of `spec` into `file` cannot succeed, told before it starts rather than after
    // the whole walk: a start folder that is not (or no longer) a folder, a target folder that
    // cannot take a new file. Empty when nothing is in the way.
    static QString ProblemBeforeBuild(const QString& spec, const QString& file);

    static QString NoDriveMessage();
    static QString SeparatorMessage(const QString& path);
};

} // namespace vambrel
