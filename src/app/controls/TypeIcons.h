#pragma once

#include "ImageList.h"

#include <QIcon>
#include <QString>

namespace vambrel {

// The pictures of a window's tree and lists: the drive and folder pictures first (their indexes
// are fixed), then one picture per file type, keyed by extension (by name when there is none) and
// asked of the icon theme once.
class TypeIcons {
public:
    enum Fixed { Drive = 1, CdRom = 2, Removable = 3, ClosedFolder = 4, OpenFolder = 5 };

    TypeIcons();

    QIcon fixed(Fixed index) const { return m_images.icon(index); }
    // A folder's icon: closed, and open while selected.
    QIcon folder() const;
    // The icon of a file's type by its stored name.
    QIcon forName(const QString& nom);
    const ImageList& images() const { return m_images; }

private:
    ImageList m_images;
};

} // namespace vambrel
