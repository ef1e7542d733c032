#include "ListingLayout.h"

namespace vambrel {

std::vector<ListingLayout::Column> ListingLayout::columns(int filesPerLine) {
    std::vector<Column> cols;
    switch (filesPerLine) {
    case 4:
        for (int c = 0; c < 4; ++c)
            cols.push_back({c, Field::Name, 1190 + 2475 * c, 2375, false});
        break;
    case 3:
        for (int c = 0; c < 3; ++c)
            cols.push_back({c, Field::Name, 1190 + 3300 * c, 3200, false});
        break;
    case 2:
        for (int c = 0; c < 2; ++c) {
            cols.push_back({c, Field::Name, 1190 + 5120 * c, 3200, false});
            cols.push_back({c, Field::Date, 4470 + 5120 * c, 0, false});
        }
        break;
    default:
        cols.push_back({0, Field::Name, 1190, 2790, false});
        cols.push_back({0, Field::Size, kSizeRight, 1335, true});
        cols.push_back({0, Field::Type, 5440, 2325, false});
        cols.push_back({0, Field::Date, 7825, 0, false});
        cols.push_back({0, Field::Version, 9625, 0, false});
        break;
    }
    return cols;
}

} // namespace vambrel
