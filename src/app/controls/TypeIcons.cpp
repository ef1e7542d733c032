#include "TypeIcons.h"

#include "FileIcons.h"
#include "PathSyntax.h"

#include <QApplication>
#include <QStyle>

namespace vambrel {

TypeIcons::TypeIcons() {
    QIcon drive = QIcon::fromTheme(QStringLiteral("drive-harddisk"));
    if (drive.isNull())
        if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
            drive = app->style()->standardIcon(QStyle::SP_DriveHDIcon);
    const QIcon closed = ShellIcon(u"", true);
    const QIcon open = QIcon::fromTheme(QStringLiteral("folder-open"), closed);
    m_images.add(QStringLiteral("<drive>"), IconToPicture(drive));
    m_images.add(QStringLiteral("<cdrom>"),
                 IconToPicture(QIcon::fromTheme(QStringLiteral("media-optical"), drive)));
    m_images.add(QStringLiteral("<removable>"),
                 IconToPicture(QIcon::fromTheme(QStringLiteral("drive-removable-media"), drive)));
    m_images.add(QStringLiteral("<closed>"), IconToPicture(closed));
    m_images.add(QStringLiteral("<open>"), IconToPicture(open));
}

QIcon TypeIcons::folder() const {
    QIcon icon = m_images.icon(ClosedFolder);
    const QIcon open = m_images.icon(OpenFolder);
    for (const QSize& size : open.availableSizes())
        icon.addPixmap(open.pixmap(size), QIcon::Selected);
    return icon;
}

QIcon TypeIcons::forName(const QString& nom) {
    const QString ext = GetExtension(nom).toUpper();
    int index = m_images.indexOf(ext.isEmpty() ? nom : ext);
    if (index == 0)
        index = GetIconIndex(ShellIcon(nom), nom, m_images);
    return m_images.icon(index);
}

} // namespace vambrel
