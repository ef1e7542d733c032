#pragma once

#include <QRect>
#include <QSize>

namespace vambrel {

// Geometry of the row of lights of LightProgress. "Along" is the direction the lights come on
// (left to right when horizontal, bottom to top when vertical), "across" the other one.
class LightLayout {
public:
    static constexpr int MinLights = 3;

    LightLayout(int lightWidth, Qt::Orientation orientation);

    // num / den rounded to the nearest integer, halves rounded down; den > 0.
    static int roundHalfDown(qint64 num, qint64 den);
    // Length of one light across the bar: lightWidth × 1.8, halves down.
    static int lightLengthFor(int lightWidth);

    // Snaps a proposed control size; the result is the size the control must take.
    QSize fit(QSize proposed);

    int lightWidth() const { return m_lightWidth; }
    int lightLength() const { return m_lightLength; }
    int count() const { return m_count; }
    QSize size() const { return m_size; }

    // Light i (0-based) in control coordinates.
    QRect lightRect(int i) const;
    // The smallest rectangle holding lights [from, to); empty when from >= to.
    QRect spanRect(int from, int to) const;

private:
    int m_lightWidth;
    int m_lightLength;
    Qt::Orientation m_orientation;
    int m_count = MinLights;
    QSize m_size;
};

} // namespace vambrel
