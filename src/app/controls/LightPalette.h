#pragma once

#include <QColor>

namespace vambrel {

// The colours of the lights for one LightColor value (0 green, 1 red, 2 blue, 3 grey).
struct LightPalette {
    QColor litFace;        // face of a lit light
    QColor unlitFace;      // face of an unlit light, edge of a lit one
    QColor unlitHighlight; // highlight edge of an unlit light; its other edge is black

    static constexpr int Count = 4;
    // Out-of-range indices give the green palette.
    static LightPalette forIndex(int lightColor);
};

} // namespace vambrel
