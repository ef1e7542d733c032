#pragma once

#include <QByteArray>
#include <functional>

namespace vambrel::fileops {

// The longest name a folder entry may have, in bytes.
inline constexpr int kNameMax = 255;

// Names for an entry whose name is taken, in the desktop's style: "nom (2).ext", "nom (3).ext"...
// A name that already ends in " (k)" goes on from k + 1. A folder's name has no extension. The
// stem is cut (never inside a UTF-8 sequence) so that the result fits in `limit` bytes.
QByteArray CollisionCandidate(const QByteArray& name, bool folder, int attempt, int limit = kNameMax);

// The first candidate that `taken` refuses, trying attempts 0, 1, 2...; empty when none of the
// first million is free.
QByteArray FreeName(const QByteArray& name, bool folder, const std::function<bool(const QByteArray&)>& taken,
                    int limit = kNameMax);

// `name` cut to at most `limit` bytes at the end of its stem (the extension is kept when it
// fits), never inside a UTF-8 sequence; the name itself when it fits.
QByteArray FitName(const QByteArray& name, int limit);

} // namespace vambrel::fileops
