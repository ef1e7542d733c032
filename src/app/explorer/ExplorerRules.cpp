#include "ExplorerRules.h"

#include "PathSyntax.h"
#include "TextFormat.h"

namespace vambrel {

ExplorerRules::Sort ExplorerRules::ColumnClick(Sort current, int column) {
    if (current.key == column - 1)
        return {current.key, current.order == 0 ? 1 : 0};
    return {column - 1, current.order};
}

bool ExplorerRules::ExtensionChanged(const QString& oldName, const QString& newName) {
    return GetExtension(oldName) != GetExtension(newName);
}

QList<int> ExplorerRules::TreeHitXs() {
    QList<int> xs;
    for (int twips = 300; twips <= 8000; twips += 100)
        xs << Pixels(twips);
    return xs;
}

QString ExplorerRules::CountText(qint64 items) {
    return QString::number(items) + QStringLiteral(" fichier(s)");
}

QString ExplorerRules::SizeText(qint64 filesSize) {
    return vambrel::SizeText(double(filesSize));
}

QString ExplorerRules::RenameParent(const QString& folder, bool isDrive) {
    return isDrive ? QString() : FolderOf(folder);
}

} // namespace vambrel
