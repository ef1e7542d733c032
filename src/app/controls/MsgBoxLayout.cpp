#include "MsgBoxLayout.h"

#include <algorithm>

namespace vambrel {

int MsgBoxLayout::maxMessageWidth(int screenWidth) {
    return std::max(100, std::min(screenWidth * 3 / 5, 600));
}

MsgBoxLayout::Result MsgBoxLayout::arrange(QSize picture, QSize message, QSize button, int buttonCount,
                                           QSize screen) {
    Result r;
    const bool hasPicture = !picture.isEmpty();
    if (hasPicture)
        r.picture = QRect(QPoint(Margin, Margin), picture);
    const int messageX = hasPicture ? Margin + picture.width() + PictureGap : Margin;
    const int contentHeight = std::max(hasPicture ? picture.height() : 0, message.height());

    const int n = std::max(0, buttonCount);
    const int buttonWidth = std::max(MinButtonWidth, button.width());
    const int rowWidth = n > 0 ? n * buttonWidth + (n - 1) * ButtonGap : 0;
    const int rowY = Margin + contentHeight + Margin;
    const int rowHeight = n > 0 ? button.height() : 0;

    int width = std::max({MinBoxWidth, messageX + message.width() + Margin, rowWidth + 2 * Margin});
    int height = n > 0 ? rowY + rowHeight + Margin : Margin + contentHeight + Margin;
    width = std::min(width, std::max(0, screen.width()));
    height = std::min(height, std::max(0, screen.height()));
    r.box = QSize(width, height);

    // On a screen too small, the message gives up the space: the buttons stay whole and visible.
    const int buttonsY = std::max(Margin, height - Margin - rowHeight);
    const int messageBottom = n > 0 ? std::min(rowY, buttonsY) - Margin : height - Margin;
    r.message = QRect(messageX, Margin, std::max(0, std::min(message.width(), width - messageX - Margin)),
                      std::max(0, std::min(message.height(), messageBottom - Margin)));
    if (hasPicture && r.message.height() < picture.height())
        r.message.moveTop(Margin + (picture.height() - r.message.height()) / 2);

    const int rowX = std::max(0, (width - rowWidth) / 2);
    for (int i = 0; i < n; ++i)
        r.buttons << QRect(rowX + i * (buttonWidth + ButtonGap), std::min(rowY, buttonsY), buttonWidth,
                           rowHeight);
    return r;
}

QRect MsgBoxLayout::keepOnScreen(const QRect& frame, const QRect& screen) {
    QRect r(frame.topLeft(), frame.size().boundedTo(screen.size()));
    if (r.right() > screen.right())
        r.moveRight(screen.right());
    if (r.bottom() > screen.bottom())
        r.moveBottom(screen.bottom());
    if (r.left() < screen.left())
        r.moveLeft(screen.left());
    if (r.top() < screen.top())
        r.moveTop(screen.top());
    return r;
}

} // namespace vambrel
