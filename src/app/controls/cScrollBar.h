#pragma once

#include "ScrollBarLogic.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QObject>
#include <QPointer>
class QScrollBar;

namespace vambrel {

// Gives a window its own horizontal and vertical scroll bars with a range, a value and steps per
// bar, and turns their scroll actions into Scroll and Change events. The window is a
// QAbstractScrollArea that leaves its bars' ranges alone (a plain one, not a QScrollArea).
class cScrollBar : public QObject {
    Q_OBJECT

public:
    explicit cScrollBar(QObject* parent = nullptr);
    ~cScrollBar() override;

    // Detaches from any previous window, then takes over `window`'s bars. Flat bars are used
    // unless the window already styles its bars itself.
    void Attach(QAbstractScrollArea* window);
    // Hides both bars and forgets the window.
    void Detach();
    QAbstractScrollArea* hWnd() const { return m_window; }
    bool flatScrollBars() const { return m_flat; }

    // bar 0, 1, or 3 for both.
    void setBarVisible(int bar, bool shown);
    int BarType() const { return m_logic.barType(); }

    int Min(int bar) const { return m_logic.min(bar); }
    void setMin(int bar, int v);
    int Max(int bar) const { return m_logic.max(bar); }
    void setMax(int bar, int v);
    int LargeChange(int bar) const { return m_logic.largeChange(bar); }
    void setLargeChange(int bar, int v);
    int SmallChange(int bar) const { return m_logic.smallChange(bar); }
    void setSmallChange(int bar, int v);
    int Enabled(int bar) const { return m_logic.enabled(bar); }
    void setEnabled(int bar, int arrows);
    int Value(int bar) const { return m_logic.value(bar); }
    void setValue(int bar, int v);
    // 0 regular, 1 rounded thumb, 2 flat; only with flat bars.
    int Style() const { return m_style; }
    void setStyle(int style);
    QColor BackColor(int bar) const;
    void setBackColor(int bar, const QColor& color);

    // The scroll-message handler: ScrollBarLogic::HScroll or VScroll with a scroll code. The
    // tracking position is read from the window's bar.
    void SubClass(int message, int code);

Q_SIGNALS:
    void Scroll(int bar);
    void Change(int bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QScrollBar* qtBar(int bar) const;
    void applyRange(int bar);
    void applyValue(int bar);
    void applyStyle();
    void emitEvents(const ScrollBarLogic::Events& events);
    void onAction(int bar, int action);

    QPointer<QAbstractScrollArea> m_window;
    ScrollBarLogic m_logic;
    bool m_flat = false;
    int m_style = 2;
    QColor m_backColor[2];
    QList<QMetaObject::Connection> m_connections;
};

} // namespace vambrel
