#include "LightProgress.h"

#include "ControlError.h"
#include "LightPalette.h"

#include <QPainter>
#include <algorithm>

namespace vambrel {

LightProgress::LightProgress(QWidget* parent)
    : ProgressControl(QStringLiteral("LightProgress"), 0, parent), m_layout(m_lightWidth, Qt::Horizontal) {
    resize(m_layout.fit(QSize(103, 0)));
}

void LightProgress::setLightColor(int palette) {
    if (palette < 0 || palette >= LightPalette::Count)
        throw ControlError::invalidPropertyValue(QStringLiteral("LightProgress"));
    m_lightColor = palette;
    markChanged(QStringLiteral("LightColor"));
    update();
}

void LightProgress::setLightWidth(int width) {
    if (width < 1 || width > 255)
        throw ControlError::invalidPropertyValue(QStringLiteral("LightProgress"));
    m_lightWidth = width;
    markChanged(QStringLiteral("LightWidth"));
    doLayout();
    updateGeometry();
}

void LightProgress::InitProperties() {
    m_lightColor = 0;
    m_lightWidth = 5;
    ProgressControl::InitProperties();
}

void LightProgress::ReadProperties(const PropertyBag& bag) {
    bool ok = false;
    const int color = bag.readProperty(QStringLiteral("LightColor"), 0).toInt(&ok);
    m_lightColor = ok && color >= 0 && color < LightPalette::Count ? color : 0;
    const int width = bag.readProperty(QStringLiteral("LightWidth"), 5).toInt(&ok);
    m_lightWidth = ok && width >= 1 && width <= 255 ? width : 5;
    ProgressControl::ReadProperties(bag);
}

void LightProgress::WriteProperties(PropertyBag& bag) const {
    ProgressControl::WriteProperties(bag);
    bag.writeProperty(QStringLiteral("LightColor"), m_lightColor);
    bag.writeProperty(QStringLiteral("LightWidth"), m_lightWidth);
}

QSize LightProgress::sizeHint() const {
    // Independent of the current size, so that snapping never asks the parent layout again.
    LightLayout hint(m_lightWidth, qtOrientation());
    return hint.fit(qtOrientation() == Qt::Horizontal ? QSize(103, 0) : QSize(0, 103));
}

QSize LightProgress::minimumSizeHint() const {
    LightLayout hint(m_lightWidth, qtOrientation());
    return hint.fit(QSize(0, 0));
}

void LightProgress::relayout() {
    m_layout = LightLayout(m_lightWidth, qtOrientation());
    const QSize snapped = m_layout.fit(size());
    m_lit = range().fillCount(m_layout.count());
    update();
    if (snapped != size() && !m_snapping) {
        // The resize comes back here with the snapped size, which is a fixed point of fit().
        m_snapping = true;
        resize(snapped);
        m_snapping = false;
    }
}

void LightProgress::valueChanged() {
    const int lit = range().fillCount(m_layout.count());
    if (lit == m_lit)
        return;
    update(m_layout.spanRect(std::min(lit, m_lit), std::max(lit, m_lit)));
    m_lit = lit;
}

void LightProgress::paintBar(QPainter& painter, const QRect& dirty) {
    const LightPalette palette = LightPalette::forIndex(m_lightColor);
    for (int i = 0; i < m_layout.count(); ++i) {
        const QRect r = m_layout.lightRect(i);
        if (!r.intersects(dirty))
            continue;
        if (i < m_lit) {
            painter.fillRect(r, palette.litFace);
            painter.setPen(palette.unlitFace);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        } else {
            painter.fillRect(r, palette.unlitFace);
            painter.setPen(palette.unlitHighlight);
            painter.drawLine(r.topLeft(), r.topRight());
            painter.drawLine(r.topLeft(), r.bottomLeft());
            painter.setPen(Qt::black);
            painter.drawLine(r.bottomLeft(), r.bottomRight());
            painter.drawLine(r.topRight(), r.bottomRight());
        }
    }
}

} // namespace vambrel
