#pragma once

#include <QList>
#include <QRect>
#include <QSize>

namespace vambrel {

// Placement of frmMsgBox's picture, message and button row: the message to the right of the
// picture, the buttons centred in a row below the taller of the two, the box kept within the screen.
class MsgBoxLayout {
public:
    static constexpr int Margin = 12;
    static constexpr int PictureGap = 12;
    static constexpr int ButtonGap = 6;
    static constexpr int MinButtonWidth = 75;
    static constexpr int MinBoxWidth = 160;

    struct Result {
        QRect picture; // empty when there is none
        QRect message;
        QList<QRect> buttons;
        QSize box; // client size
    };

    // The widest the message may be before it wraps, for a screen of that width.
    static int maxMessageWidth(int screenWidth);
    // picture: empty for none; message: the wrapped text's size; button: one button's size (all
    // buttons share it); screen: the available client size.
    static Result arrange(QSize picture, QSize message, QSize button, int buttonCount, QSize screen);
    // `frame` moved (and shrunk if needed) to lie within `screen`.
    static QRect keepOnScreen(const QRect& frame, const QRect& screen);
};

} // namespace vambrel
