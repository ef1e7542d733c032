#pragma once

#include "ProgressControl.h"

namespace vambrel {

// A continuous progress bar filled with the shades of ForeColor so that it looks like a tube.
class TubProgress : public ProgressControl {
    Q_OBJECT

public:
    explicit TubProgress(QWidget* parent = nullptr);

    QColor ForeColor() const { return m_foreColor; }
    void setForeColor(const QColor& color);

    // Filled length in pixels at the last redraw.
    int filledLength() {
        syncLayout();
        return m_filled;
    }
    // Inner rectangle (inside the border) and the pixels [from, to) of the fill, counted along the
    // bar from its start (left, or bottom when vertical), in control coordinates.
    QRect innerRect() const;
    QRect fillRect(int from, int to) const;
    int trackLength() const;

    void InitProperties() override;
    void ReadProperties(const PropertyBag& bag) override;
    void WriteProperties(PropertyBag& bag) const override;

    QSize sizeHint() const override {
        return qtOrientation() == Qt::Horizontal ? QSize(150, 20) : QSize(20, 150);
    }

protected:
    void relayout() override;
    void valueChanged() override;
    void paintBar(QPainter& painter, const QRect& dirty) override;

private:
    QColor m_foreColor;
    int m_filled = 0;
};

} // namespace vambrel
