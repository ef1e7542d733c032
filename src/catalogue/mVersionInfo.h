#pragma once

// Reader of the version resource of executable images (PE32, PE32+ and 16-bit NE), rendering it
// as the texts stored in catalogues. Every file is treated as hostile input: sizes and offsets are
// checked before use, nothing is read past an end, nesting and loops are bounded.

#include "VersionRecord.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <span>

namespace vambrel {

// No file shorter than this can hold an image this reader accepts: a 64-byte DOS header followed
// by at least a 64-byte NE header (a PE needs more). Such files are rejected without being opened
// when their size is known.
inline constexpr std::size_t kVersionMinImageSize = 128;

// The root block of a version resource has a 16-bit length, so no more than this is ever read
// from a resource, whatever size its directory claims.
inline constexpr std::size_t kVersionMaxResourceSize = 0xFFFF;

// Both halves of the version resource of an in-memory image. A buffer that is not an image, an
// image without a version resource and a damaged resource all give an empty result.
VersionInfo ParseVersionImage(const char* data, std::size_t size);

// The same for a version resource already extracted from its image (a VS_VERSIONINFO tree, in its
// 32-bit or 16-bit form, recognised from its first bytes).
VersionInfo ParseVersionResource(const char* data, std::size_t size);

// Reads the version resource of a file with one pass over the file: only the headers and the
// resource are read. Anything but a regular file, and any file too small to be an image, is
// refused without being opened. When knownSize is not negative it is taken as the file's size
// (as the folder walk found it), so that a file too small is refused without a system call.
VersionInfo ReadVersionInfo(const QByteArray& nativePath, qint64 knownSize = -1);
VersionInfo ReadVersionInfo(const QString& path, qint64 knownSize = -1);

// The same for a name that a directory listing has just found to be a regular file (not a link)
// of `listedSize` bytes: the name is opened without another look at it, never through a link,
// and the descriptor is still checked to be a regular file.
VersionInfo ReadListedVersionInfo(const QByteArray& nativePath, qint64 listedSize);
// The same for the name of an entry of the open folder `folderFd`, which saves looking the
// folder's path up again for each of its files. A name holding "/" is refused.
VersionInfo ReadListedVersionInfo(int folderFd, const QByteArray& name, qint64 listedSize);

// The eight string values under the first translation. True when the file has a version resource
// with a translation; strings stored under another translation then give eight empty values.
// The output is reset first, so false always leaves it empty.
bool ReadStringValues(const QString& path, VersionStrings& out);

// The fixed information rendered in French. True when the file has a version resource with a
// valid fixed record. The output is reset first, so false always leaves it empty.
bool ReadFixedInfo(const QString& path, VersionFixed& out);

// Renders the thirteen 32-bit fields of a fixed record (signature first) as French texts.
VersionFixed RenderFixedInfo(std::span<const quint32, 13> fields);

} // namespace vambrel
