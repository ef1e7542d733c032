#include "ScrollBarLogic.h"

#include "ControlError.h"

#include <QString>
#include <algorithm>
#include <climits>

namespace vambrel {

QString ScrollBarLogic::source() {
    return QStringLiteral("cScrollBar");
}

int ScrollBarLogic::index(int bar) {
    if (bar != 0 && bar != 1)
        throw ControlError::subscriptOutOfRange(source());
    return bar;
}

int ScrollBarLogic::clampValue(const BarState& b, qint64 v) const {
    // A Max below Min leaves only Min.
    return int(std::clamp<qint64>(v, b.min, std::max(b.min, b.max)));
}

ScrollBarLogic::Events ScrollBarLogic::keepInRange(int bar) {
    BarState& b = m_bars[index(bar)];
    Events events;
    const int v = clampValue(b, b.value);
    if (v != b.value) {
        b.value = v;
        report(bar, false, events);
    }
    return events;
}

ScrollBarLogic::Events ScrollBarLogic::setMin(int bar, int v) {
    m_bars[index(bar)].min = v;
    return keepInRange(bar);
}

ScrollBarLogic::Events ScrollBarLogic::setMax(int bar, int v) {
    m_bars[index(bar)].max = v;
    return keepInRange(bar);
}

ScrollBarLogic::Events ScrollBarLogic::setLargeChange(int bar, int v) {
    if (v < 1)
        throw ControlError::invalidPropertyValue(source());
    m_bars[index(bar)].largeChange = v;
    return {};
}

void ScrollBarLogic::setSmallChange(int bar, int v) {
    if (v < 1)
        throw ControlError::invalidPropertyValue(source());
    m_bars[index(bar)].smallChange = v;
}

ScrollBarLogic::Events ScrollBarLogic::setValue(int bar, int v) {
    BarState& b = m_bars[index(bar)];
    Events events;
    v = clampValue(b, v);
    if (v == b.value)
        return events;
    b.value = v;
    report(bar, false, events);
    return events;
}

std::vector<int> ScrollBarLogic::setEnabled(int bar, int state) {
    if (state < EnableBoth || state > DisableBoth)
        throw ControlError::invalidPropertyValue(source());
    BarState& b = m_bars[index(bar)];
    std::vector<int> steps;
    if (state != EnableBoth && state != DisableBoth)
        steps.push_back(EnableBoth);
    steps.push_back(state);
    b.arrows = state;
    return steps;
}

ScrollBarLogic::Range ScrollBarLogic::range(int bar) const {
    const BarState& b = m_bars[index(bar)];
    const qint64 top = qint64(std::max(b.min, b.max)) + b.largeChange - 1;
    return {b.min, int(std::min<qint64>(top, INT_MAX)), b.largeChange};
}

void ScrollBarLogic::report(int bar, bool scrolling, Events& events) {
    BarState& b = m_bars[index(bar)];
    if (scrolling)
        events.push_back({Event::Scroll, bar});
    if (b.value == b.lastReported)
        return;
    if (!scrolling) {
        events.push_back({Event::Change, bar});
        b.lastReported = b.value;
    }
}

ScrollBarLogic::Events ScrollBarLogic::handle(int message, int code, int trackPos) {
    const int bar = message == HScroll ? 0 : 1;
    BarState& b = m_bars[bar];
    // 64-bit steps: Value + SmallChange must not wrap near the ends of the int range.
    switch (code) {
    case LineUp:
        return setValue(bar, clampValue(b, qint64(b.value) - b.smallChange));
    case LineDown:
        return setValue(bar, clampValue(b, qint64(b.value) + b.smallChange));
    case PageUp:
        return setValue(bar, clampValue(b, qint64(b.value) - b.largeChange));
    case PageDown:
        return setValue(bar, clampValue(b, qint64(b.value) + b.largeChange));
    case ThumbTrack: {
        Events events;
        b.value = clampValue(b, trackPos);
        report(bar, true, events);
        return events;
    }
    case Top:
        return setValue(bar, b.min);
    case Bottom:
        return setValue(bar, b.max);
    case EndScroll: {
        Events events;
        report(bar, false, events);
        return events;
    }
    default:
        return {};
    }
}

std::vector<int> ScrollBarLogic::setVisible(int bar, bool shown) {
    if (bar != Both)
        index(bar);
    std::vector<int> shownBars;
    for (int i = 0; i < 2; ++i) {
        if (bar != Both && bar != i)
            continue;
        if (shown)
            shownBars.push_back(i);
        m_visible[i] = shown;
    }
    return shownBars;
}

int ScrollBarLogic::barType() const {
    if (m_visible[0] && m_visible[1])
        return BothBars;
    if (m_visible[0])
        return HorizontalOnly;
    if (m_visible[1])
        return VerticalOnly;
    return NoBars;
}

} // namespace vambrel
