#pragma once

#include "FileOpHost.h"

#include <QStringList>

namespace vambrel::fileops {

// Runs one copy, move, delete or rename of a list of sources, as one call. Paths are exact names
// (NameFromNative's texts), so names that are not UTF-8 are found on disk.
//
// Copy and Move: with one destination, it is a folder that receives every source (made when
// missing, after asking when ConfirmMakeDir is set); with several, the n-th source becomes the
// n-th destination path. Rename: each source takes its destination's path (one source may have
// one destination); an existing name is never replaced. Delete: to the trash or for good.
//
// Safety: a copied file is written under a hidden temporary name beside its destination, flushed
// to the disk, then renamed into place; a copied folder is built whole under a hidden name and
// renamed into place at the end. Times, permissions and links are kept; links are never followed.
// A move within one file system is a rename; across file systems the source goes only after its
// copy is in place and flushed. A cancellation or failure removes the temporary entries: what is
// at a destination is complete, and every source not yet moved is intact.
//
// The result is false with no source, on any failure, on a "No" answer and on cancellation.
// Errors end the operation, except a "No" answer, which leaves that entry and goes on.
bool RunFileOperation(Function function, const Options& options, const QStringList& sources,
                      const QStringList& destinations, Host& host);

} // namespace vambrel::fileops
