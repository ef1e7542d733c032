#include "ElidedLabel.h"

#include <QPainter>

namespace vambrel {

namespace {

constexpr int kPreferredWidth = 320; // wide enough for most values; the window can grow

} // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

QString ElidedLabel::cut(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    // The widths grow with the length: the longest fitting start is found by halving.
    qsizetype low = 0, high = text.size() - 1;
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(text.left(mid) + dots) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    // Never split a surrogate pair.
    if (low > 0 && text.at(low - 1).isHighSurrogate())
        --low;
    return text.left(low) + dots;
}

QString ElidedLabel::shownText(int width) const {
    return cut(text(), fontMetrics(), width);
}

QSize ElidedLabel::sizeHint() const {
    const QSize full = QLabel::sizeHint();
    return {std::min(full.width(), kPreferredWidth), full.height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("...")) * 2, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setPen(palette().color(foregroundRole()));
    const QString shown = shownText(area.width());
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine, shown);
    // The tooltip follows what the last paint had to cut.
    const QString tip = shown == text() ? QString() : text();
    if (toolTip() != tip)
        setToolTip(tip);
}

} // namespace vambrel
