#pragma once

#include "FileTime.h"
#include "PathSyntax.h"
#include "TextHelpers.h"

#include <QDateTime>
#include <QIcon>
#include <QString>
#include <QStringView>
#include <QVariant>

namespace vambrel {

class ImageList;

// A size with its unit: divided by 1024 while above 1000, up to giga-octets; whole values as
// "2 Ko", others with two decimals after a comma and no digit before it below 1 (",98 Ko").
// Not a number or infinite gives an empty text.
QString SizeText(double octets);

// FileNameOf, FolderOf, GetExtension, JoinPath and kPathSeparator come from PathSyntax.h.

// Empty text for a null database value, otherwise the value as text.
QString NullToText(const QVariant& value);

// Full path of a fresh unique name in the temporary folder, beginning with the first three
// characters of prefix and ending with ".tmp"; no file is left at that name. Empty on failure.
QString TempFileName(QStringView prefix);

// Digits grouped by three with spaces whatever the locale: 1234567 gives "1 234 567".
QString GroupedNumberText(qint64 value);
// Octets in mega-octets of 1 024 000 with one decimal: 268435456 gives "262,1 Mo".
QString MemoryText(quint64 octets);
// The general date text: dd/MM/yyyy HH:mm:ss; empty for an invalid date.
QString GeneralDateText(const QDateTime& date);
// The local date of a file time as dd/MM/yyyy HH:mm:ss; empty when it cannot be converted.
QString FormatFileDate(FileTime time);

// The small picture of an icon, or a null pixmap for a null icon.
QPixmap IconToPicture(const QIcon& icon, int size = 16);
// Index in images of the picture for this name's type, keyed by the extension in capitals or,
// without one, by the name; the first icon seen for a key is kept. 0 when none could be had.
int GetIconIndex(const QIcon& icon, QStringView name, ImageList& images);
// The icon theme's icon for the type of a name (by name only) or for a folder, with fallbacks.
QIcon ShellIcon(QStringView name, bool folder = false);

} // namespace vambrel
