#include "StartFolders.h"

#include "PathSyntax.h"

namespace vambrel {

bool SplitJobSpec(const QString& spec, QStringList* folders, QString* cause) {
    *folders = SplitStartFolders(spec);
    if (folders->isEmpty() || (folders->size() == 1 && folders->first().isEmpty())) {
        *cause = QStringLiteral("Aucun dossier de départ n'a été donné.");
        return false;
    }
    for (const QString& folder : *folders) {
        if (folder.isEmpty()) {
            *cause = QStringLiteral("La liste des dossiers de départ contient un élément vide.");
            return false;
        }
    }
    return true;
}

} // namespace vambrel
