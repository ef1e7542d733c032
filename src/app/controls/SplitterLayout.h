#pragma once

#include <QRect>
#include <QSize>
#include <optional>

namespace vambrel {

// Arithmetic of the vertical splitter: where the bar stands, how far it may go and where the two
// panes go. Everything is in pixels of the parent's client area.
class SplitterLayout {
public:
    struct Geometry {
        QRect left;
        QRect right;
        QRect bar;
    };

    // System metrics: the sizing frame and border widths of a window and its minimum tracking width.
    explicit SplitterLayout(int frameWidth = 4, int borderWidth = 1, int minTrackWidth = 112);

    int barWidth() const { return m_barWidth; }
    // Ignores 0 and anything that is not a byte.
    void setBarWidth(int width);
    int minPaneWidth() const;
    int borderAllowance() const { return m_borderAllowance; }
    // The allowance is the border width when the parent has both a client edge and a border.
    void setParentHasClientEdgeAndBorder(bool both);
    int top() const { return m_top; }
    void setTop(int top);
    int heightOffset() const { return m_heightOffset; }
    void setHeightOffset(int offset);

    int left() const { return m_left; }
    float proportion() const { return m_proportion; }

    // x kept at least the minimum pane width from either edge; when the client is too narrow for
    // both panes, the left pane keeps its minimum.
    int clamp(int x, int clientWidth) const;
    // Sets Left without clamping and takes the proportion from it (no proportion for a 0 width).
    void setLeft(int x, int clientWidth);
    // A drag candidate: clamped, then taken as Left and as the proportion.
    void dragTo(int candidate, int clientWidth);
    // Places bar and panes in a client area; the bar's current left edge gives the proportion the
    // first time. Empty when the client is too low to hold Top and HeightOffset.
    std::optional<Geometry> layout(QSize client, int barLeft);

private:
    int m_frameWidth;
    int m_borderWidth;
    int m_minTrackWidth;
    int m_barWidth;
    int m_borderAllowance = 0;
    int m_top = 0;
    int m_heightOffset = 0;
    int m_left = 0;
    float m_proportion = 0.0f;
};

} // namespace vambrel
