#include "CatalogueFileType.h"

#include "CatalogueSchema.h"

#include <QFile>

namespace vambrel {

namespace {
constexpr QByteArrayView kSqliteMagic("SQLite format 3\0", 16);
constexpr qsizetype kApplicationIdOffset = 68; // big-endian, as SQLite stores it
constexpr qsizetype kHeadSize = kApplicationIdOffset + 4;
} // namespace

bool HasCatalogueHeader(QByteArrayView head) {
    if (head.size() < kHeadSize || !head.startsWith(kSqliteMagic))
        return false;
    quint32 id = 0;
    for (qsizetype i = 0; i < 4; ++i)
        id = (id << 8) | static_cast<quint8>(head[kApplicationIdOffset + i]);
    return id == static_cast<quint32>(Schema::kApplicationId);
}

bool IsCatalogueFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return HasCatalogueHeader(file.read(kHeadSize));
}

} // namespace vambrel
