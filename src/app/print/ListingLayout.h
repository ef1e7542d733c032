#pragma once

#include <vector>

namespace vambrel {

// Where the listing report puts its texts: twips from the top-left corner of an A4 page, y being
// the top of the text. The preview sheet and the printer use the same figures.
class ListingLayout {
public:
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kTwipsPerInch = 1440;
    static constexpr int kSheetWidth = 11907; // A4
    static constexpr int kSheetHeight = 16839;
    static constexpr int kFontTwips = 160; // 8 points
    static constexpr int kLeft = 850;
    static constexpr int kHeaderY = 850;
    static constexpr int kLineHeight = 210;
    static constexpr int kPageRight = 10500; // end of "Page n"
    static constexpr int kTitleWidth = 9550; // title and page text together
    static constexpr int kSizeRight = 5245;  // end of the sizes
    static constexpr int kCountRight = 8630; // end of the file counts
    static constexpr int kRuleRight = 10500; // end of the rule above the grand total
    static constexpr int kFirstBodyLine = 2;
    static constexpr int kLastBodyLine = 72;

    // Top of the body line L (2 to 72; the header is line 1).
    static constexpr int lineY(int line) { return kHeaderY + kLineHeight * (line - 1); }

    enum class Field { Name, Size, Type, Date, Version };
    struct Column {
        int file = 0; // which file of the line, from 0
        Field field = Field::Name;
        int x = 0;     // left edge, or right edge when rightAligned
        int width = 0; // shortened to this width; 0: printed whole
        bool rightAligned = false;
    };
    // The columns of a file line for 1 to 4 files per line (others count as 1).
    static std::vector<Column> columns(int filesPerLine);
};

} // namespace vambrel
