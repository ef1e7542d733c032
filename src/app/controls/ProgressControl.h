#pragma once

#include "ProgressRange.h"
#include "PropertyBag.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

class QMimeData;
class QPainter;

namespace vambrel {

// What LightProgress and TubProgress share: range and value with their validation, border,
// orientation, background, mouse pointer, drag and drop, the mouse events of the surface and
// the design-time properties. Subclasses lay out and paint the bar itself.
class ProgressControl : public QWidget {
    Q_OBJECT

public:
    int Min() const { return m_range.min(); }
    int Max() const { return m_range.max(); }
    int Value() const { return m_range.value(); }
    void setMin(int v);
    void setMax(int v);
    void setValue(int v);

    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style); // 0 none, 1 single line, 2 sunken
    int Orientation() const { return m_orientation; }
    void setOrientation(int orientation); // 0 horizontal, 1 vertical; resets Value to Min
    QColor BackColor() const { return m_backColor; }
    void setBackColor(const QColor& color);
    int OLEDropMode() const { return m_oleDropMode; }
    void setOLEDropMode(int mode); // 0 none, 1 manual
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer); // 0..15, or 99 for MouseIcon
    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap& icon);

    // Design mode: Value cannot be set and the bar is not painted.
    bool designMode() const { return m_designMode; }
    void setDesignMode(bool on);

    // Host property store.
    virtual void InitProperties();
    virtual void ReadProperties(const PropertyBag& bag);
    virtual void WriteProperties(PropertyBag& bag) const;

    void Refresh();
    // Starts a drag of the control's data; returns the drop action taken.
    Qt::DropAction OLEDrag();

    // Widths of the border that BorderStyle draws.
    static int borderWidth(int borderStyle);

Q_SIGNALS:
    // The persisted property `name` changed and must be saved by the host.
    void PropertyChanged(const QString& name);
    void Click();
    void DblClick();
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void OLEStartDrag(QMimeData* data);
    void OLECompleteDrag(int effect);
    void OLEDragOver(const QMimeData* data, int x, int y, int state);
    void OLEDragDrop(const QMimeData* data, int x, int y);

protected:
    ProgressControl(const QString& className, int defaultBorderStyle, QWidget* parent);

    Qt::Orientation qtOrientation() const { return m_orientation == 0 ? Qt::Horizontal : Qt::Vertical; }
    const ProgressRange& range() const { return m_range; }

    // Called after the size or the orientation may have changed.
    virtual void relayout() = 0;
    // Called after Min, Max or Value changed: invalidate what differs from the last paint.
    virtual void valueChanged() = 0;
    // Paints the bar over the background inside `dirty`; not called in design mode.
    virtual void paintBar(QPainter& painter, const QRect& dirty) = 0;
    void markChanged(const QString& name);
    // Lays the control out again now, and whenever its size changed since the last layout: a
    // hidden widget gets no resize event until it is shown.
    void doLayout();
    void syncLayout();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void applyCursor();

    QString m_className;
    ProgressRange m_range;
    int m_defaultBorderStyle;
    int m_borderStyle;
    int m_orientation = 0;
    QColor m_backColor;
    int m_oleDropMode = 0;
    int m_mousePointer = 0;
    QPixmap m_mouseIcon;
    bool m_designMode = false;
    bool m_pressed = false;
    QSize m_laidOutSize;
};

} // namespace vambrel
