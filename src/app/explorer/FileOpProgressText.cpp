#include "FileOpProgressText.h"

#include "NativeName.h"
#include "PathSyntax.h"
#include "TextFormat.h"

#include <algorithm>

namespace vambrel {

using fileops::Function;
using fileops::Progress;

FileOpProgressText::FileOpProgressText(Function function, bool trash, const QString& title)
    : m_function(function), m_trash(trash && function == Function::Delete), m_title(title) {}

QString FileOpProgressText::caption() const {
    if (!m_title.isEmpty())
        return m_title;
    switch (m_function) {
    case Function::Move:
        return QStringLiteral("Déplacement des fichiers");
    case Function::Copy:
        return QStringLiteral("Copie des fichiers");
    case Function::Delete:
        return m_trash ? QStringLiteral("Envoi à la corbeille") : QStringLiteral("Suppression des fichiers");
    case Function::Rename:
        return QStringLiteral("Renommage des fichiers");
    }
    return {};
}

QString FileOpProgressText::action(const Progress& progress) const {
    if (!m_title.isEmpty())
        return m_title;
    if (progress.current.isEmpty())
        return QStringLiteral("Préparation...");
    const QString name = DisplayName(FileNameOf(progress.current));
    switch (m_function) {
    case Function::Move:
        return QStringLiteral("Déplacement de ") + name;
    case Function::Copy:
        return QStringLiteral("Copie de ") + name;
    case Function::Delete:
        return m_trash ? QStringLiteral("Envoi à la corbeille de ") + name
                       : QStringLiteral("Suppression de ") + name;
    case Function::Rename:
        return QStringLiteral("Renommage de ") + name;
    }
    return {};
}

QString FileOpProgressText::folder(const Progress& progress) const {
    if (!m_title.isEmpty() || progress.current.isEmpty())
        return {};
    QString folder = FolderOf(progress.current);
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return QStringLiteral("Dans ") + DisplayName(folder);
}

QString FileOpProgressText::items(const Progress& progress) const {
    if (progress.itemsTotal <= 0)
        return {};
    const qint64 current = std::clamp<qint64>(progress.itemsDone + 1, 1, progress.itemsTotal);
    return QStringLiteral("Élément ") + GroupedNumberText(current) + QStringLiteral(" sur ") +
           GroupedNumberText(progress.itemsTotal);
}

QString FileOpProgressText::bytes(const Progress& progress) const {
    if (progress.bytesTotal <= 0)
        return {};
    return SizeText(double(std::min(progress.bytesDone, progress.bytesTotal))) + QStringLiteral(" sur ") +
           SizeText(double(progress.bytesTotal));
}

int FileOpProgressText::permille(const Progress& progress) const {
    const auto ratio = [](qint64 done, qint64 total) {
        return int(std::clamp<qint64>(done, 0, total) * 1000 / total);
    };
    if (progress.bytesTotal > 0)
        return ratio(progress.bytesDone, progress.bytesTotal);
    if (progress.itemsTotal > 0)
        return ratio(progress.itemsDone, progress.itemsTotal);
    return 0;
}

} // namespace vambrel
