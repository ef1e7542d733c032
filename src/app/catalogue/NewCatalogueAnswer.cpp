#include "NewCatalogueAnswer.h"

#include "NativeName.h"
#include "PathSyntax.h"
#include "shell/FileReplace.h"

#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vambrel {

QString NewCatalogueAnswer::NoDriveMessage() {
    return QStringLiteral("Sélectionner au moins un lecteur.");
}

QString NewCatalogueAnswer::SeparatorMessage(const QString& path) {
    return QStringLiteral(
               "Le chemin « %1 » contient le caractère « %2 », qui sépare les dossiers de départ "
               "d'un fichier Vambrel.\nChoisissez un répertoire dont le chemin ne le contient pas.")
        .arg(DisplayName(path), QString(QChar(kStartFolderSeparator)));
}

NewCatalogueAnswer::Result NewCatalogueAnswer::Decide(const Choice& choice) {
    Result result;
    result.mask = choice.mask.isEmpty() ? QStringLiteral("*.*") : choice.mask;
    QStringList folders;
    if (choice.drives) {
        for (qsizetype i = 0; i < choice.driveList.size(); ++i) {
            if (i < choice.selected.size() && choice.selected.at(i))
                folders << choice.driveList.at(i);
        }
        if (folders.isEmpty()) {
            result.verdict = Verdict::NoDrive;
            result.message = NoDriveMessage();
            return result;
        }
    } else if (!choice.folder.isEmpty()) {
        folders << choice.folder;
    }
    for (const QString& folder : std::as_const(folders)) {
        if (folder.contains(kStartFolderSeparator)) {
            result.verdict = Verdict::SeparatorInPath;
            result.message = SeparatorMessage(folder);
            return result;
        }
    }
    result.tag = folders.isEmpty() ? QString() : JoinStartFolders(folders);
    return result;
}

QString NewCatalogueAnswer::ProblemBeforeBuild(const QString& spec, const QString& file) {
    for (const QString& start : SplitStartFolders(spec)) {
        struct stat st {};
        if (::stat(PathToNative(start).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return QStringLiteral("Le répertoire ") + DisplayName(start) +
                   QStringLiteral(" est introuvable : le fichier Vambrel n'a pas été créé.");
    }
    const QString folder = QFileInfo(file).absolutePath();
    if (::access(PathToNative(folder).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("Impossible de créer ") + DisplayName(file) + QStringLiteral(" : ") +
               SystemErrorText(errno) + QLatin1Char('.');
    return {};
}

} // namespace vambrel
