#pragma once

#include <Qt>

class QPixmap;
class QWidget;

namespace vambrel {

// The codes that the controls' mouse and key events carry, as their hosts expect them.
// Shift state: 1 Shift, 2 Ctrl, 4 Alt, or-ed.
int ShiftStateOf(Qt::KeyboardModifiers modifiers);
// Buttons: 1 left, 2 right, 4 middle, or-ed.
int ButtonCodeOf(Qt::MouseButtons buttons);
// The key code of a key: letters and digits as their capital ASCII code, arrows 37 to 40 (Down
// is 40), function keys from 112, the usual editing keys; 0 for a key without a code.
int KeyCodeOf(int qtKey);

// MousePointer codes: 0 the default pointer, 1 to 15 the standard ones, 99 the MouseIcon.
bool IsMousePointer(int code);
// Shows the pointer of `code` over `widget`: the MouseIcon `icon` for 99, the default pointer
// for 0, for 99 without an icon and for an unknown code.
void ApplyMousePointer(QWidget* widget, int code, const QPixmap& icon);

} // namespace vambrel
