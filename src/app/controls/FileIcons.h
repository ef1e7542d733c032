#pragma once

#include <QIcon>
#include <QPixmap>
#include <QStringView>

namespace vambrel {

class ImageList;

// The small picture of an icon, or a null pixmap for a null icon.
QPixmap IconToPicture(const QIcon& icon, int size = 16);

// Index in images of the picture for this name's type, keyed by the extension in capitals or,
// without one, by the name; the first icon seen for a key is kept. 0 when none could be had.
int GetIconIndex(const QIcon& icon, QStringView name, ImageList& images);

// The icon theme's icon for the type of a name (by name only) or for a folder, with fallbacks.
QIcon ShellIcon(QStringView name, bool folder = false);

} // namespace vambrel
