#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vambrel {

namespace {

QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // The disk: a dark slate case with a lighter label.
    QPainterPath body;
    body.addRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.12, s * 0.12);
    QLinearGradient shade(0, 0, 0, s);
    shade.setColorAt(0, QColor(0x3d, 0x5a, 0x80));
    shade.setColorAt(1, QColor(0x29, 0x3f, 0x5c));
    p.fillPath(body, shade);
    const QRectF label(s * 0.2, s * 0.16, s * 0.6, s * 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xf1, 0xde));
    p.drawRoundedRect(label, s * 0.05, s * 0.05);
    // The listing on the label.
    p.setPen(QPen(QColor(0xe0, 0x7a, 0x5f), std::max(1.0, s * 0.06), Qt::SolidLine, Qt::RoundCap));
    for (int line = 0; line < 3; ++line) {
        const qreal y = label.top() + label.height() * (0.25 + 0.25 * line);
        const qreal end = label.right() - s * (line == 1 ? 0.16 : 0.08);
        p.drawLine(QPointF(label.left() + s * 0.08, y), QPointF(end, y));
    }
    // The shutter.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x81, 0xb2, 0x9a));
    p.drawRect(QRectF(s * 0.3, s * 0.72, s * 0.4, s * 0.16));
    return pixmap;
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(drawIcon(size));
    return icon;
}

} // namespace vambrel
