#include "FileIcons.h"

#include "ImageList.h"
#include "PathSyntax.h"

#include <QApplication>
#include <QMimeDatabase>
#include <QStyle>

namespace vambrel {

QPixmap IconToPicture(const QIcon& icon, int size) {
    if (icon.isNull())
        return {};
    return icon.pixmap(size, size);
}

int GetIconIndex(const QIcon& icon, QStringView name, ImageList& images) {
    QString key = GetExtension(name).toUpper();
    if (key.isEmpty())
        key = name.toString();
    if (const int index = images.indexOf(key))
        return index;
    return images.add(key, IconToPicture(icon, images.imageSize()));
}

QIcon ShellIcon(QStringView name, bool folder) {
    QIcon fallback;
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        fallback = app->style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    if (folder)
        return QIcon::fromTheme(QStringLiteral("folder"), fallback);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name.toString(), QMimeDatabase::MatchExtension);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), fallback));
}

} // namespace vambrel
