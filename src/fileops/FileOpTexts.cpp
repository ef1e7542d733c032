#include "FileOpTexts.h"

#include "NativeName.h"
#include "TextFormat.h"

#include <QDateTime>
#include <cerrno>
#include <cstring>

namespace vambrel::fileops {

QString CauseText(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("Accès refusé.");
    case ENOENT:
        return QStringLiteral("Le fichier ou le répertoire n'existe plus.");
    case ENOSPC:
        return QStringLiteral("Le disque destination est plein.");
    case EDQUOT:
        return QStringLiteral("Le quota d'espace disque est dépassé.");
    case EROFS:
        return QStringLiteral("Le disque est protégé en écriture.");
    case ENAMETOOLONG:
        return QStringLiteral("Le nom ou le chemin est trop long.");
    case EEXIST:
    case ENOTEMPTY:
        return NameTakenCause();
    case EXDEV:
        return OtherVolumeCause();
    case EIO:
        return QStringLiteral("Erreur d'entrée-sortie sur le disque.");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Le fichier est utilisé par un autre programme.");
    case ELOOP:
        return QStringLiteral("Trop de liens symboliques.");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Trop de fichiers ouverts.");
    case ENOTDIR:
        return QStringLiteral("Un élément du chemin n'est pas un répertoire.");
    case EISDIR:
        return FolderInTheWayCause();
    case EFBIG:
        return QStringLiteral("Le fichier est trop gros pour le disque destination.");
    case ENOMEM:
        return QStringLiteral("Mémoire insuffisante.");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString FailureText(Function function, bool trash, const QString& path, const QString& cause) {
    const QString name = DisplayName(path);
    QString head;
    switch (function) {
    case Function::Move:
        head = QStringLiteral("Impossible de déplacer ") + name;
        break;
    case Function::Copy:
        head = QStringLiteral("Impossible de copier ") + name;
        break;
    case Function::Delete:
        head = trash ? QStringLiteral("Impossible d'envoyer ") + name + QStringLiteral(" à la corbeille")
                     : QStringLiteral("Impossible de supprimer ") + name;
        break;
    case Function::Rename:
        head = QStringLiteral("Impossible de renommer ") + name;
        break;
    }
    return cause.isEmpty() ? head : head + QLatin1Char('\n') + cause;
}

namespace {

QString factsLine(const EntryFacts& facts) {
    QString kind;
    if (facts.folder)
        kind = QStringLiteral("répertoire");
    else if (facts.link)
        kind = QStringLiteral("lien symbolique");
    else
        kind = SizeText(double(facts.size));
    return QStringLiteral("    ") + kind + QStringLiteral(", modifié le ") +
           GeneralDateText(QDateTime::fromSecsSinceEpoch(facts.modified));
}

} // namespace

QString ReplaceQuestion(const QString& target, const EntryFacts& existing, const EntryFacts& incoming) {
    const QString what = existing.link ? QStringLiteral("Le lien ") : QStringLiteral("Le fichier ");
    return what + DisplayName(target) + QStringLiteral(" existe déjà.\n\n") +
           QStringLiteral("Voulez-vous remplacer l'élément existant\n") + factsLine(existing) +
           QStringLiteral("\npar celui-ci ?\n") + factsLine(incoming);
}

QString MergeQuestion(Function function, const QString& target) {
    const QString verb = function == Function::Move ? QStringLiteral("déplacer") : QStringLiteral("copier");
    return QStringLiteral("Le répertoire ") + DisplayName(target) + QStringLiteral(" existe déjà.\n\n") +
           QStringLiteral("Les fichiers qui y portent le même nom que ceux du répertoire à ") + verb +
           QStringLiteral(" seront remplacés.\nVoulez-vous quand même ") + verb +
           QStringLiteral(" le répertoire ?");
}

QString DeleteForGoodQuestion(const QStringList& paths, bool firstIsFolder) {
    if (paths.size() == 1) {
        if (firstIsFolder)
            return QStringLiteral("Voulez-vous vraiment supprimer définitivement le répertoire ") +
                   DisplayName(paths.first()) + QStringLiteral(" et tout son contenu ?");
        return QStringLiteral("Voulez-vous vraiment supprimer définitivement ") + DisplayName(paths.first()) +
               QStringLiteral(" ?");
    }
    return QStringLiteral("Voulez-vous vraiment supprimer définitivement ces %1 éléments ?")
        .arg(paths.size());
}

QString MakeDirQuestion(const QString& folder) {
    return QStringLiteral("Le répertoire ") + DisplayName(folder) +
           QStringLiteral(" n'existe pas.\n\nVoulez-vous le créer ?");
}

QString NoTrashQuestion(const QString& path, const QString& cause) {
    return QStringLiteral("Impossible d'envoyer ") + DisplayName(path) +
           QStringLiteral(" à la corbeille.\n") + cause +
           QStringLiteral("\n\nVoulez-vous le supprimer définitivement ?");
}

QString IntoItselfCause() {
    return QStringLiteral(
        "Le répertoire destination est le répertoire source ou l'un de ses sous-répertoires.");
}
QString SameEntryCause() {
    return QStringLiteral("La source et la destination sont identiques.");
}
QString FolderInTheWayCause() {
    return QStringLiteral("Un répertoire de même nom existe déjà à la destination.");
}
QString FileInTheWayCause() {
    return QStringLiteral("Un fichier de même nom existe déjà à la destination.");
}
QString NameTakenCause() {
    return QStringLiteral("Un fichier ou un répertoire porte déjà ce nom.");
}
QString OtherVolumeCause() {
    return QStringLiteral("La source et la destination sont sur des volumes différents.");
}
QString MountedInsideCause() {
    return QStringLiteral("Un autre volume est monté dans ce répertoire.");
}
QString TooDeepCause() {
    return QStringLiteral("L'arborescence est trop profonde.");
}
QString NotAFolderCause() {
    return QStringLiteral("La destination n'est pas un répertoire.");
}
QString TrashItselfCause() {
    return QStringLiteral("La corbeille ne peut pas être envoyée à la corbeille.");
}
QString NoTrashCause() {
    return QStringLiteral("Aucune corbeille ne peut être utilisée sur ce volume.");
}
QString DestinationCountText() {
    return QStringLiteral("Le nombre de destinations ne correspond pas au nombre de sources.");
}
QString NoDestinationText() {
    return QStringLiteral("Aucune destination n'est indiquée.");
}
QString OneTargetPerSourceText() {
    return QStringLiteral("Un renommage demande un nouveau nom pour chaque élément.");
}

} // namespace vambrel::fileops
