#pragma once

#include <QString>
#include <functional>

namespace vambrel {

// Fitting texts into the report's columns by their measured width, in twips.
class TextFit {
public:
    using Measure = std::function<double(const QString& text)>;

    // The text whole when it fits in `width`; otherwise the longest prefix of at most
    // length - 1 characters followed by "..." that fits ("..." alone when none does). A
    // character outside the basic plane is never cut in two.
    static QString shorten(const QString& text, double width, const Measure& measure);

    // Where a text starts so that it ends at `edge`.
    static double rightAligned(double edge, double textWidth) { return edge - textWidth; }
};

} // namespace vambrel
