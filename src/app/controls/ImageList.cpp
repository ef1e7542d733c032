#include "ImageList.h"

namespace vambrel {

ImageList::ImageList(int imageSize) : m_imageSize(imageSize > 0 ? imageSize : 16) {}

int ImageList::indexOf(const QString& key) const {
    return m_index.value(key, 0);
}

int ImageList::add(const QString& key, const QPixmap& picture) {
    if (picture.isNull() || m_index.contains(key))
        return 0;
    m_images.append(picture);
    m_keys.append(key);
    const int index = count();
    m_index.insert(key, index);
    return index;
}

QIcon ImageList::icon(int index) const {
    if (index < 1 || index > count())
        return {};
    return QIcon(m_images.at(index - 1));
}

QString ImageList::key(int index) const {
    if (index < 1 || index > count())
        return {};
    return m_keys.at(index - 1);
}

void ImageList::clear() {
    m_images.clear();
    m_keys.clear();
    m_index.clear();
}

} // namespace vambrel
