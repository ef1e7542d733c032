#pragma once

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QVector>

namespace vambrel {

// Images of one size, each under a unique key, indexed from 1 in the order they were added.
class ImageList {
public:
    explicit ImageList(int imageSize = 16);

    int imageSize() const { return m_imageSize; }
    int count() const { return static_cast<int>(m_images.size()); }
    // Index of the image under key, 0 when there is none.
    int indexOf(const QString& key) const;
    // Adds a picture under a new key and returns its index; 0 for a null picture or a key in use.
    int add(const QString& key, const QPixmap& picture);
    // The image at a 1-based index; a null icon outside the list.
    QIcon icon(int index) const;
    QString key(int index) const;
    void clear();

private:
    int m_imageSize;
    QVector<QPixmap> m_images;
    QVector<QString> m_keys;
    QHash<QString, int> m_index;
};

} // namespace vambrel
