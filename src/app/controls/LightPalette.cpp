#include "LightPalette.h"

namespace vambrel {

LightPalette LightPalette::forIndex(int lightColor) {
    switch (lightColor) {
    case 1:
        return {QColor(198, 0, 0), QColor(86, 0, 0), QColor(168, 12, 0)};
    case 2:
        return {QColor(0, 62, 164), QColor(0, 36, 96), QColor(0, 5, 188)};
    case 3:
        return {QColor(148, 136, 136), QColor(101, 101, 101), QColor(134, 126, 126)};
    default:
        return {QColor(0, 136, 0), QColor(0, 88, 0), QColor(0, 120, 0)};
    }
}

} // namespace vambrel
