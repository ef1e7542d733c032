#include "TextFit.h"

namespace vambrel {

QString TextFit::shorten(const QString& text, double width, const Measure& measure) {
    if (measure(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    const auto cut = [&](qsizetype n) {
        if (n > 0 && n < text.size() && text.at(n - 1).isHighSurrogate())
            --n;
        return text.left(n) + dots;
    };
    // Widths grow with the prefix: the longest fitting prefix is found by halving.
    qsizetype low = 0, high = text.size() - 1;
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (measure(cut(mid)) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return cut(low);
}

} // namespace vambrel
