#pragma once

#include <QColor>

namespace vambrel {

// The shades of TubProgress: one colour per line across the bar, brightest a little above the
// middle and darker towards both edges, so that the fill looks like a lit tube.
class TubShading {
public:
    // Scale factor of line `line` among `lines` (line 0 is the top or left edge).
    static double factor(int line, int lines);
    // Each component of `base` scaled by `factor` and rounded up, kept within 0..255.
    static QColor scaled(const QColor& base, double factor);
    static QColor shade(const QColor& base, int line, int lines) { return scaled(base, factor(line, lines)); }
};

} // namespace vambrel
