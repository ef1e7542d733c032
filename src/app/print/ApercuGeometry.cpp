#include "ApercuGeometry.h"

#include <algorithm>

namespace vambrel {

using L = ListingLayout;

int ApercuGeometry::verticalMax(int viewHeight) {
    return std::max(0, L::kSheetHeight - viewHeight + 2 * kMargin);
}

int ApercuGeometry::verticalLargeChange(int viewHeight) {
    return std::max(1, (viewHeight - kMargin) / 3);
}

int ApercuGeometry::horizontalMax(int viewWidth) {
    return std::max(0, L::kSheetWidth - viewWidth + 2 * kMargin);
}

QPoint ApercuGeometry::sheetPosition(int horizontalValue, int verticalValue) {
    return {(kMargin - horizontalValue) / L::kTwipsPerPixel, (kMargin - verticalValue) / L::kTwipsPerPixel};
}

} // namespace vambrel
