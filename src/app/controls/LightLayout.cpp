#include "LightLayout.h"

#include <algorithm>

namespace vambrel {

LightLayout::LightLayout(int lightWidth, Qt::Orientation orientation)
    : m_lightWidth(std::max(1, lightWidth)), m_lightLength(lightLengthFor(m_lightWidth)),
      m_orientation(orientation) {
    fit(QSize(0, 0));
}

int LightLayout::roundHalfDown(qint64 num, qint64 den) {
    // Nearest integer with ties going down: ceil(num/den - 1/2) = ceil((2num - den) / 2den).
    const qint64 n = 2 * num - den;
    const qint64 d = 2 * den;
    const qint64 q = n / d;
    return int((n % d != 0 && n > 0) ? q + 1 : q);
}

int LightLayout::lightLengthFor(int lightWidth) {
    return roundHalfDown(qint64(lightWidth) * 18, 10);
}

QSize LightLayout::fit(QSize proposed) {
    const bool horizontal = m_orientation == Qt::Horizontal;
    const int along = horizontal ? proposed.width() : proposed.height();
    const int step = m_lightWidth + 1;
    int snapped = 0;
    if (along < MinLights * m_lightWidth + 8) {
        m_count = MinLights;
        snapped = MinLights * m_lightWidth + 8;
    } else {
        m_count = (along - 5) / step;
        snapped = step * m_count + 5;
    }
    const int across = m_lightLength + 4;
    m_size = horizontal ? QSize(snapped, across) : QSize(across, snapped);
    return m_size;
}

QRect LightLayout::lightRect(int i) const {
    const int offset = 3 + (m_lightWidth + 1) * i;
    if (m_orientation == Qt::Horizontal)
        return QRect(offset, 2, m_lightWidth, m_lightLength);
    return QRect(2, m_size.height() - offset - m_lightWidth, m_lightLength, m_lightWidth);
}

QRect LightLayout::spanRect(int from, int to) const {
    from = std::max(from, 0);
    to = std::min(to, m_count);
    if (from >= to)
        return {};
    return lightRect(from).united(lightRect(to - 1));
}

} // namespace vambrel
