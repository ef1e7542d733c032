#include "TubShading.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vambrel {

double TubShading::factor(int line, int lines) {
    if (lines <= 0)
        return 1.0;
    const double t = (line + 0.5) / lines; // 0..1 across the bar
    const double body = std::sin(std::numbers::pi * t);
    const double glint = std::exp(-std::pow((t - 0.35) / 0.15, 2.0));
    return 0.45 + 0.6 * body + 0.35 * glint;
}

QColor TubShading::scaled(const QColor& base, double f) {
    auto component = [f](int c) {
        // The small tolerance keeps exact products (e.g. 128 × 1.0) from rounding up a step.
        return std::clamp(int(std::ceil(c * f - 1e-9)), 0, 255);
    };
    return QColor(component(base.red()), component(base.green()), component(base.blue()));
}

} // namespace vambrel
