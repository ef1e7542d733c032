#include "TubProgress.h"

#include "ControlError.h"
#include "TubShading.h"

#include <QPainter>
#include <algorithm>

namespace vambrel {

namespace {
const QColor defaultForeColor(0, 0x80, 0x80);
}

TubProgress::TubProgress(QWidget* parent)
    : ProgressControl(QStringLiteral("TubProgress"), 2, parent), m_foreColor(defaultForeColor) {
    resize(sizeHint());
}

void TubProgress::setForeColor(const QColor& color) {
    if (!color.isValid())
        throw ControlError::invalidPropertyValue(QStringLiteral("TubProgress"));
    m_foreColor = color;
    markChanged(QStringLiteral("ForeColor"));
    update();
}

QRect TubProgress::innerRect() const {
    const int b = borderWidth(BorderStyle());
    return rect().adjusted(b, b, -b, -b);
}

int TubProgress::trackLength() const {
    const QRect inner = innerRect();
    const int along = qtOrientation() == Qt::Horizontal ? inner.width() : inner.height();
    return std::max(0, along - 2);
}

QRect TubProgress::fillRect(int from, int to) const {
    if (from >= to)
        return {};
    const QRect inner = innerRect();
    if (qtOrientation() == Qt::Horizontal)
        return QRect(inner.left() + 1 + from, inner.top() + 1, to - from, std::max(0, inner.height() - 2));
    return QRect(inner.left() + 1, inner.top() + 1 + trackLength() - to, std::max(0, inner.width() - 2),
                 to - from);
}

void TubProgress::InitProperties() {
    m_foreColor = defaultForeColor;
    ProgressControl::InitProperties();
}

void TubProgress::ReadProperties(const PropertyBag& bag) {
    const QColor fore = bag.readProperty(QStringLiteral("ForeColor"), defaultForeColor).value<QColor>();
    m_foreColor = fore.isValid() ? fore : defaultForeColor;
    ProgressControl::ReadProperties(bag);
}

void TubProgress::WriteProperties(PropertyBag& bag) const {
    ProgressControl::WriteProperties(bag);
    bag.writeProperty(QStringLiteral("ForeColor"), m_foreColor);
}

void TubProgress::relayout() {
    m_filled = range().fillCount(trackLength());
    update();
}

void TubProgress::valueChanged() {
    const int filled = range().fillCount(trackLength());
    if (filled == m_filled)
        return;
    update(fillRect(std::min(filled, m_filled), std::max(filled, m_filled)));
    m_filled = filled;
}

void TubProgress::paintBar(QPainter& painter, const QRect& dirty) {
    const QRect fill = fillRect(0, m_filled).intersected(dirty);
    if (fill.isEmpty())
        return;
    const QRect inner = innerRect();
    const bool horizontal = qtOrientation() == Qt::Horizontal;
    const int lines = horizontal ? inner.height() - 2 : inner.width() - 2;
    for (int j = 0; j < lines; ++j) {
        painter.setPen(TubShading::shade(m_foreColor, j, lines));
        if (horizontal) {
            const int y = inner.top() + 1 + j;
            if (y >= fill.top() && y <= fill.bottom())
                painter.drawLine(fill.left(), y, fill.right(), y);
        } else {
            const int x = inner.left() + 1 + j;
            if (x >= fill.left() && x <= fill.right())
                painter.drawLine(x, fill.top(), x, fill.bottom());
        }
    }
}

} // namespace vambrel
