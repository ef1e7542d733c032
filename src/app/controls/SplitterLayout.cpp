#include "SplitterLayout.h"

#include <algorithm>
#include <cmath>

namespace vambrel {

SplitterLayout::SplitterLayout(int frameWidth, int borderWidth, int minTrackWidth)
    : m_frameWidth(frameWidth), m_borderWidth(borderWidth), m_minTrackWidth(minTrackWidth),
      m_barWidth(std::max(1, frameWidth - borderWidth)) {}

void SplitterLayout::setBarWidth(int width) {
    if (width > 0 && width <= 255)
        m_barWidth = width;
}

int SplitterLayout::minPaneWidth() const {
    return std::max(0, (m_minTrackWidth - (2 * m_frameWidth + m_barWidth)) / 2);
}

void SplitterLayout::setParentHasClientEdgeAndBorder(bool both) {
    m_borderAllowance = both ? m_borderWidth : 0;
}

void SplitterLayout::setTop(int top) {
    if (top >= 0)
        m_top = top;
}

void SplitterLayout::setHeightOffset(int offset) {
    if (offset >= 0)
        m_heightOffset = offset;
}

int SplitterLayout::clamp(int x, int clientWidth) const {
    const int lo = minPaneWidth();
    const int hi = clientWidth - (m_barWidth + lo);
    return std::max(std::min(x, hi), lo);
}

void SplitterLayout::setLeft(int x, int clientWidth) {
    m_left = x;
    if (clientWidth > 0)
        m_proportion = float(x) / float(clientWidth);
}

void SplitterLayout::dragTo(int candidate, int clientWidth) {
    setLeft(clamp(candidate, clientWidth), clientWidth);
}

std::optional<SplitterLayout::Geometry> SplitterLayout::layout(QSize client, int barLeft) {
    const int width = client.width();
    if (m_proportion == 0.0f)
        setLeft(barLeft, width);
    const int bottom = client.height() - m_heightOffset;
    if (bottom < m_top)
        return std::nullopt;
    const int height = bottom - m_top;
    m_left = clamp(int(std::lround(double(m_proportion) * width)), width);

    Geometry g;
    g.left = QRect(0, m_top, std::max(0, m_left + m_borderAllowance), height);
    const int rightX = m_left + m_barWidth - m_borderAllowance;
    g.right = QRect(rightX, m_top, std::max(0, width - (m_left + m_barWidth) + m_borderAllowance), height);
    g.bar = QRect(m_left, m_top, m_barWidth, height);
    return g;
}

} // namespace vambrel
