#pragma once

#include <QtGlobal>
#include <array>
#include <vector>

namespace vambrel {

// Values, ranges and scroll codes of a window's two scroll bars (0 horizontal, 1 vertical), and
// the Scroll and Change events they give. The window adapter applies the results to real bars.
class ScrollBarLogic {
public:
    enum Message { HScroll = 0x114, VScroll = 0x115 };
    enum Code {
        LineUp = 0,
        LineDown = 1,
        PageUp = 2,
        PageDown = 3,
        ThumbPosition = 4,
        ThumbTrack = 5,
        Top = 6,
        Bottom = 7,
        EndScroll = 8
    };
    enum Arrows { EnableBoth = 0, DisableLeftUp = 1, DisableRightDown = 2, DisableBoth = 3 };
    enum BarTypes { HorizontalOnly = 0, VerticalOnly = 1, NoBars = 2, BothBars = 3 };
    static constexpr int Both = 3; // "bar" argument of setVisible for both bars

    struct Event {
        enum Kind { Scroll, Change } kind;
        int bar;
        bool operator==(const Event&) const = default;
    };
    using Events = std::vector<Event>;

    // What the window's bar is given: its scroll range and page size.
    struct Range {
        int min;
        int max;
        int page;
        bool operator==(const Range&) const = default;
    };

    int min(int bar) const { return m_bars[index(bar)].min; }
    int max(int bar) const { return m_bars[index(bar)].max; }
    int smallChange(int bar) const { return m_bars[index(bar)].smallChange; }
    int largeChange(int bar) const { return m_bars[index(bar)].largeChange; }
    int value(int bar) const { return m_bars[index(bar)].value; }
    int enabled(int bar) const { return m_bars[index(bar)].arrows; }
    int lastReported(int bar) const { return m_bars[index(bar)].lastReported; }

    // Range setters keep Value inside [Min, Max] and report a value they had to move.
    Events setMin(int bar, int v);
    Events setMax(int bar, int v);
    Events setLargeChange(int bar, int v); // v >= 1
    void setSmallChange(int bar, int v);   // v >= 1
    // Reports a change when v differs from the current value; v is kept within the range.
    Events setValue(int bar, int v);
    // The arrow states to apply in turn to reach `state` (a partial state starts from both enabled).
    std::vector<int> setEnabled(int bar, int state);

    // Min .. Max + LargeChange - 1 with a page of LargeChange: the thumb's near edge reaches Max.
    Range range(int bar) const;

    // A scroll message with its code; trackPos is the thumb's tracking position.
    Events handle(int message, int code, int trackPos = 0);

    bool visible(int bar) const { return m_visible[index(bar)]; }
    // Shows or hides bar 0, 1 or Both; returns the bars being shown, whose range must be set again.
    std::vector<int> setVisible(int bar, bool shown);
    int barType() const;

    // The range checks throw ControlError with this source.
    static QString source();

private:
    struct BarState {
        int min = 0;
        int max = 100;
        int smallChange = 1;
        int largeChange = 1;
        int value = 0;
        int arrows = EnableBoth;
        int lastReported = 0;
    };

    static int index(int bar);
    int clampValue(const BarState& b, qint64 v) const;
    Events keepInRange(int bar);
    void report(int bar, bool scrolling, Events& events);

    std::array<BarState, 2> m_bars;
    std::array<bool, 2> m_visible{false, false};
};

} // namespace vambrel
