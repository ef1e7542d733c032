#pragma once

#include <QByteArrayView>
#include <QString>

namespace vambrel {

// The shared-mime-info type that the installed package declares for catalogue files.
inline constexpr char kCatalogueMimeType[] = "application/x-vambrel-catalogue";

// True when `head`, the first bytes of a file, is an SQLite header carrying the catalogue's
// application id: the same test as the installed type's magic rule. The program asks this
// itself because a MIME database built from several data folders may weigh the generic SQLite
// rule of one folder above ours from another.
bool HasCatalogueHeader(QByteArrayView head);

// Reads the start of the regular file `path` (never a FIFO: opening one blocks); false when it
// cannot be read or is not a catalogue.
bool IsCatalogueFile(const QString& path);

} // namespace vambrel
