#include "ProgressControl.h"

#include "ControlError.h"
#include "ControlInput.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <climits>

namespace vambrel {

namespace {

const QColor defaultBackColor(0xC0, 0xC0, 0xC0);

// Reads an integer property in [lo, hi] or gives the fallback.
int readInt(const PropertyBag& bag, const QString& name, int fallback, int lo, int hi) {
    bool ok = false;
    const int v = bag.readProperty(name, fallback).toInt(&ok);
    return ok && v >= lo && v <= hi ? v : fallback;
}

} // namespace

ProgressControl::ProgressControl(const QString& className, int defaultBorderStyle, QWidget* parent)
    : QWidget(parent), m_className(className), m_range(className), m_defaultBorderStyle(defaultBorderStyle),
      m_borderStyle(defaultBorderStyle), m_backColor(defaultBackColor) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int ProgressControl::borderWidth(int borderStyle) {
    return borderStyle == 2 ? 2 : borderStyle == 1 ? 1 : 0;
}

void ProgressControl::setMin(int v) {
    m_range.setMin(v);
    syncLayout();
    markChanged(QStringLiteral("Min"));
    valueChanged();
}

void ProgressControl::setMax(int v) {
    m_range.setMax(v);
    syncLayout();
    markChanged(QStringLiteral("Max"));
    valueChanged();
}

void ProgressControl::doLayout() {
    relayout();
    m_laidOutSize = size();
}

void ProgressControl::syncLayout() {
    if (size() != m_laidOutSize)
        doLayout();
}

void ProgressControl::setValue(int v) {
    m_range.setValue(v, m_designMode);
    syncLayout();
    valueChanged();
}

void ProgressControl::setBorderStyle(int style) {
    if (style < 0 || style > 2)
        throw ControlError::invalidPropertyValue(m_className);
    m_borderStyle = style;
    markChanged(QStringLiteral("BorderStyle"));
    doLayout();
    update();
}

void ProgressControl::setOrientation(int orientation) {
    if (orientation < 0 || orientation > 1)
        throw ControlError::invalidPropertyValue(m_className);
    m_orientation = orientation;
    m_range.resetValue();
    markChanged(QStringLiteral("Orientation"));
    doLayout();
    updateGeometry();
    update();
}

void ProgressControl::setBackColor(const QColor& color) {
    if (!color.isValid())
        throw ControlError::invalidPropertyValue(m_className);
    m_backColor = color;
    markChanged(QStringLiteral("BackColor"));
    update();
}

void ProgressControl::setOLEDropMode(int mode) {
    if (mode < 0 || mode > 1)
        throw ControlError::invalidPropertyValue(m_className);
    m_oleDropMode = mode;
    setAcceptDrops(mode == 1);
    markChanged(QStringLiteral("OLEDropMode"));
}

void ProgressControl::setMousePointer(int pointer) {
    if (!IsMousePointer(pointer))
        throw ControlError::invalidPropertyValue(m_className);
    m_mousePointer = pointer;
    applyCursor();
    markChanged(QStringLiteral("MousePointer"));
}

void ProgressControl::setMouseIcon(const QPixmap& icon) {
    m_mouseIcon = icon;
    applyCursor();
    markChanged(QStringLiteral("MouseIcon"));
}

void ProgressControl::setDesignMode(bool on) {
    m_designMode = on;
    update();
}

void ProgressControl::applyCursor() {
    ApplyMousePointer(this, m_mousePointer, m_mouseIcon);
}

void ProgressControl::markChanged(const QString& name) {
    Q_EMIT PropertyChanged(name);
}

void ProgressControl::InitProperties() {
    m_range.trySetBounds(0, 100);
    m_borderStyle = m_defaultBorderStyle;
    m_orientation = 0;
    m_backColor = defaultBackColor;
    m_oleDropMode = 0;
    setAcceptDrops(false);
    m_mousePointer = 0;
    m_mouseIcon = QPixmap();
    applyCursor();
    doLayout();
    valueChanged();
    update();
}

void ProgressControl::ReadProperties(const PropertyBag& bag) {
    // A stored value that breaks a rule falls back to its default instead of failing the load.
    m_borderStyle = readInt(bag, QStringLiteral("BorderStyle"), m_defaultBorderStyle, 0, 2);
    m_orientation = readInt(bag, QStringLiteral("Orientation"), 0, 0, 1);
    const int min = readInt(bag, QStringLiteral("Min"), 0, 0, INT_MAX);
    const int max = readInt(bag, QStringLiteral("Max"), 100, 1, INT_MAX);
    if (!m_range.trySetBounds(min, max))
        m_range.trySetBounds(0, 100);
    const QColor back = bag.readProperty(QStringLiteral("BackColor"), defaultBackColor).value<QColor>();
    m_backColor = back.isValid() ? back : defaultBackColor;
    m_oleDropMode = readInt(bag, QStringLiteral("OLEDropMode"), 0, 0, 1);
    setAcceptDrops(m_oleDropMode == 1);
    m_mousePointer = readInt(bag, QStringLiteral("MousePointer"), 0, 0, 99);
    if (!IsMousePointer(m_mousePointer))
        m_mousePointer = 0;
    m_mouseIcon = bag.readProperty(QStringLiteral("MouseIcon")).value<QPixmap>();
    applyCursor();
    doLayout();
    valueChanged();
    update();
}

void ProgressControl::WriteProperties(PropertyBag& bag) const {
    bag.writeProperty(QStringLiteral("BorderStyle"), m_borderStyle);
    bag.writeProperty(QStringLiteral("Orientation"), m_orientation);
    bag.writeProperty(QStringLiteral("Min"), m_range.min());
    bag.writeProperty(QStringLiteral("Max"), m_range.max());
    bag.writeProperty(QStringLiteral("BackColor"), m_backColor);
    bag.writeProperty(QStringLiteral("OLEDropMode"), m_oleDropMode);
    bag.writeProperty(QStringLiteral("MousePointer"), m_mousePointer);
    bag.writeProperty(QStringLiteral("MouseIcon"), m_mouseIcon);
}

void ProgressControl::Refresh() {
    update();
}

Qt::DropAction ProgressControl::OLEDrag() {
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    drag->setMimeData(mime);
    Q_EMIT OLEStartDrag(mime);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction);
    Q_EMIT OLECompleteDrag(int(action));
    return action;
}

void ProgressControl::paintEvent(QPaintEvent* event) {
    syncLayout();
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, m_backColor);
    const QRect r = rect();
    if (m_borderStyle == 1) {
        painter.setPen(Qt::black);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    } else if (m_borderStyle == 2) {
        // Sunken: dark top-left, light bottom-right, two lines deep.
        const QColor shades[] = {QColor(128, 128, 128), QColor(64, 64, 64), Qt::white, QColor(223, 223, 223)};
        for (int i = 0; i < 2; ++i) {
            const QRect e = r.adjusted(i, i, -1 - i, -1 - i);
            painter.setPen(shades[i]);
            painter.drawLine(e.topLeft(), e.topRight());
            painter.drawLine(e.topLeft(), e.bottomLeft());
            painter.setPen(shades[2 + i]);
            painter.drawLine(e.bottomLeft(), e.bottomRight());
            painter.drawLine(e.topRight(), e.bottomRight());
        }
    }
    if (!m_designMode)
        paintBar(painter, dirty);
}

void ProgressControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    doLayout();
}

void ProgressControl::mousePressEvent(QMouseEvent* event) {
    m_pressed = true;
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseDown(ButtonCodeOf(event->button()), ShiftStateOf(event->modifiers()), p.x(), p.y());
}

void ProgressControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseMove(ButtonCodeOf(event->buttons()), ShiftStateOf(event->modifiers()), p.x(), p.y());
}

void ProgressControl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseUp(ButtonCodeOf(event->button()), ShiftStateOf(event->modifiers()), p.x(), p.y());
    if (m_pressed && rect().contains(p))
        Q_EMIT Click();
    m_pressed = false;
}

void ProgressControl::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_UNUSED(event);
    Q_EMIT DblClick();
}

void ProgressControl::dragEnterEvent(QDragEnterEvent* event) {
    const QPoint p = event->position().toPoint();
    Q_EMIT OLEDragOver(event->mimeData(), p.x(), p.y(), 0);
    event->acceptProposedAction();
}

void ProgressControl::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint p = event->position().toPoint();
    Q_EMIT OLEDragOver(event->mimeData(), p.x(), p.y(), 2);
    event->acceptProposedAction();
}

void ProgressControl::dragLeaveEvent(QDragLeaveEvent* event) {
    Q_UNUSED(event);
    Q_EMIT OLEDragOver(nullptr, 0, 0, 1);
}

void ProgressControl::dropEvent(QDropEvent* event) {
    const QPoint p = event->position().toPoint();
    Q_EMIT OLEDragDrop(event->mimeData(), p.x(), p.y());
    event->acceptProposedAction();
}

} // namespace vambrel
