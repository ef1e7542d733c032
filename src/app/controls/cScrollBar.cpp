#include "cScrollBar.h"

#include "ControlError.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>

namespace vambrel {

cScrollBar::cScrollBar(QObject* parent) : QObject(parent) {}

cScrollBar::~cScrollBar() {
    Detach();
}

QScrollBar* cScrollBar::qtBar(int bar) const {
    if (!m_window)
        return nullptr;
    return bar == 0 ? m_window->horizontalScrollBar() : m_window->verticalScrollBar();
}

void cScrollBar::Attach(QAbstractScrollArea* window) {
    Detach();
    if (!window)
        return;
    m_window = window;
    // A window that already styles its bars keeps them: flat bars are not available there.
    m_flat = window->styleSheet().isEmpty() && window->horizontalScrollBar()->styleSheet().isEmpty() &&
             window->verticalScrollBar()->styleSheet().isEmpty();
    for (int bar = 0; bar < 2; ++bar) {
        QScrollBar* b = qtBar(bar);
        b->installEventFilter(this);
        m_connections << connect(b, &QAbstractSlider::actionTriggered, this,
                                 [this, bar](int action) { onAction(bar, action); });
        applyRange(bar);
        applyValue(bar);
    }
    window->setHorizontalScrollBarPolicy(m_logic.visible(0) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    window->setVerticalScrollBarPolicy(m_logic.visible(1) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    applyStyle();
}

void cScrollBar::Detach() {
    for (const auto& c : m_connections)
        disconnect(c);
    m_connections.clear();
    if (m_window) {
        for (int bar = 0; bar < 2; ++bar) {
            qtBar(bar)->removeEventFilter(this);
            if (m_flat)
                qtBar(bar)->setStyleSheet(QString());
        }
        m_window->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_window->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    m_window = nullptr;
    m_flat = false;
}

void cScrollBar::setBarVisible(int bar, bool shown) {
    const std::vector<int> shownBars = m_logic.setVisible(bar, shown);
    if (m_window) {
        m_window->setHorizontalScrollBarPolicy(m_logic.visible(0) ? Qt::ScrollBarAlwaysOn
                                                                  : Qt::ScrollBarAlwaysOff);
        m_window->setVerticalScrollBarPolicy(m_logic.visible(1) ? Qt::ScrollBarAlwaysOn
                                                                : Qt::ScrollBarAlwaysOff);
    }
    for (int b : shownBars) {
        applyRange(b);
        applyValue(b);
    }
    applyStyle();
}

void cScrollBar::applyRange(int bar) {
    QScrollBar* b = qtBar(bar);
    if (!b || !m_logic.visible(bar))
        return;
    // A slider's maximum is the thumb's near edge; the window range ends a page later.
    const ScrollBarLogic::Range r = m_logic.range(bar);
    const QSignalBlocker block(b);
    b->setPageStep(r.page);
    b->setSingleStep(m_logic.smallChange(bar));
    b->setRange(r.min, std::max(r.min, r.max - r.page + 1));
}

void cScrollBar::applyValue(int bar) {
    QScrollBar* b = qtBar(bar);
    if (!b || !m_logic.visible(bar))
        return;
    const QSignalBlocker block(b);
    b->setSliderPosition(m_logic.value(bar));
}

void cScrollBar::setMin(int bar, int v) {
    const auto events = m_logic.setMin(bar, v);
    applyRange(bar);
    applyValue(bar);
    emitEvents(events);
}

void cScrollBar::setMax(int bar, int v) {
    const auto events = m_logic.setMax(bar, v);
    applyRange(bar);
    applyValue(bar);
    emitEvents(events);
}

void cScrollBar::setLargeChange(int bar, int v) {
    const auto events = m_logic.setLargeChange(bar, v);
    applyRange(bar);
    emitEvents(events);
}

void cScrollBar::setSmallChange(int bar, int v) {
    m_logic.setSmallChange(bar, v);
    if (QScrollBar* b = qtBar(bar))
        b->setSingleStep(v);
}

void cScrollBar::setEnabled(int bar, int arrows) {
    // Qt bars enable as a whole: one disabled arrow is honoured by ignoring its steps.
    for (int state : m_logic.setEnabled(bar, arrows))
        if (QScrollBar* b = qtBar(bar))
            b->setEnabled(state != ScrollBarLogic::DisableBoth);
}

void cScrollBar::setValue(int bar, int v) {
    const auto events = m_logic.setValue(bar, v);
    applyValue(bar);
    emitEvents(events);
}

void cScrollBar::setStyle(int style) {
    if (style < 0 || style > 2)
        throw ControlError::invalidPropertyValue(ScrollBarLogic::source());
    m_style = style;
    applyStyle();
}

QColor cScrollBar::BackColor(int bar) const {
    if (bar != 0 && bar != 1)
        throw ControlError::subscriptOutOfRange(ScrollBarLogic::source());
    return m_backColor[bar];
}

void cScrollBar::setBackColor(int bar, const QColor& color) {
    if (bar != 0 && bar != 1)
        throw ControlError::subscriptOutOfRange(ScrollBarLogic::source());
    if (!m_flat)
        return;
    m_backColor[bar] = color;
    applyStyle();
}

void cScrollBar::applyStyle() {
    if (!m_window || !m_flat)
        return;
    const int type = m_logic.barType();
    const bool styled[2] = {type == ScrollBarLogic::HorizontalOnly || type == ScrollBarLogic::BothBars,
                            type == ScrollBarLogic::VerticalOnly || type == ScrollBarLogic::BothBars};
    for (int bar = 0; bar < 2; ++bar) {
        if (!styled[bar])
            continue;
        const QString back =
            m_backColor[bar].isValid() ? m_backColor[bar].name() : QStringLiteral("palette(window)");
        QString sheet;
        if (m_style == 1) {
            sheet = QStringLiteral("QScrollBar { background: %1; border: none; }"
                                   " QScrollBar::handle { background: palette(mid); border-radius: 4px;"
                                   " margin: 2px; min-width: 12px; min-height: 12px; }")
                        .arg(back);
        } else if (m_style == 2) {
            sheet = QStringLiteral("QScrollBar { background: %1; border: 1px solid palette(mid); }"
                                   " QScrollBar::handle { background: palette(button);"
                                   " border: 1px solid palette(dark); min-width: 12px; min-height: 12px; }")
                        .arg(back);
        }
        qtBar(bar)->setStyleSheet(sheet);
    }
}

void cScrollBar::emitEvents(const ScrollBarLogic::Events& events) {
    for (const auto& e : events) {
        if (e.kind == ScrollBarLogic::Event::Scroll)
            Q_EMIT Scroll(e.bar);
        else
            Q_EMIT Change(e.bar);
    }
}

void cScrollBar::SubClass(int message, int code) {
    const int bar = message == ScrollBarLogic::HScroll ? 0 : 1;
    QScrollBar* b = qtBar(bar);
    const int track = b ? b->sliderPosition() : m_logic.value(bar);
    const auto events = m_logic.handle(message, code, track);
    applyValue(bar);
    emitEvents(events);
}

void cScrollBar::onAction(int bar, int action) {
    QScrollBar* b = qtBar(bar);
    const int arrows = m_logic.enabled(bar);
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        if (arrows != ScrollBarLogic::DisableLeftUp)
            code = ScrollBarLogic::LineUp;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        if (arrows != ScrollBarLogic::DisableRightDown)
            code = ScrollBarLogic::LineDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = ScrollBarLogic::PageUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = ScrollBarLogic::PageDown;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = ScrollBarLogic::Top;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = ScrollBarLogic::Bottom;
        break;
    case QAbstractSlider::SliderMove:
        code = ScrollBarLogic::ThumbTrack;
        break;
    default:
        break;
    }
    const int message = bar == 0 ? ScrollBarLogic::HScroll : ScrollBarLogic::VScroll;
    if (code == ScrollBarLogic::ThumbTrack && !b->isSliderDown()) {
        // A move without the thumb held (the wheel) ends at once, as a set value does.
        emitEvents(m_logic.setValue(bar, b->sliderPosition()));
    } else if (code >= 0) {
        const auto events = m_logic.handle(message, code, b->sliderPosition());
        emitEvents(events);
    }
    // The slider has already moved by its own rule; put it where the logic says.
    b->setSliderPosition(m_logic.value(bar));
}

bool cScrollBar::eventFilter(QObject* watched, QEvent* event) {
    // Only the end of a scroll action matters; the event type is checked first so that the window
    // is never touched while it is being destroyed.
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    for (int bar = 0; bar < 2; ++bar)
        if (m_window && watched == qtBar(bar))
            emitEvents(m_logic.handle(bar == 0 ? ScrollBarLogic::HScroll : ScrollBarLogic::VScroll,
                                      ScrollBarLogic::EndScroll));
    return QObject::eventFilter(watched, event);
}

} // namespace vambrel
