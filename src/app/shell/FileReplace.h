#pragma once

#include <QString>

namespace vambrel {

// Puts the file `from` in the place of `to` in one step: whoever opens `to` finds the old file or
// the new one whole, never a part of either. Within one file system this is a rename; across
// file systems the file is first copied beside `to` under a hidden temporary name, then renamed
// over it, and `from` is removed. On failure `to` is as it was, `from` stays where it is, no
// temporary copy is left, and *error (when given) holds the French cause.
bool ReplaceFile(const QString& from, const QString& to, QString* error = nullptr);

// A French description of a system error number.
QString SystemErrorText(int err);

} // namespace vambrel
