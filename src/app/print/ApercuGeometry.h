#pragma once

#include "ListingLayout.h"

#include <QPoint>

namespace vambrel {

// The scroll arithmetic of the preview, in twips: the sheet sits 200 twips from the left and
// below the toolbar, and the bars reach 200 twips past its far edges.
class ApercuGeometry {
public:
    static constexpr int kMargin = 200;
    static constexpr int kSmallChange = 100;
    static constexpr int kHorizontalLargeChange = 1000;

    // `view` is the height (width) of the area below the toolbar, in twips. Never below 0 (1 for
    // a large change), so that a window larger than the sheet has nothing to scroll.
    static int verticalMax(int viewHeight);
    static int verticalLargeChange(int viewHeight);
    static int horizontalMax(int viewWidth);
    // The sheet's top-left corner in the area, in pixels, for the bars' values.
    static QPoint sheetPosition(int horizontalValue, int verticalValue);
};

} // namespace vambrel
