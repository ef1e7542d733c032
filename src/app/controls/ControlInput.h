#pragma once

#include <Qt>

namespace vambrel {

// The codes that the controls' mouse and key events carry, as their hosts expect them.
// Shift state: 1 Shift, 2 Ctrl, 4 Alt, or-ed.
int ShiftStateOf(Qt::KeyboardModifiers modifiers);
// Buttons: 1 left, 2 right, 4 middle, or-ed.
int ButtonCodeOf(Qt::MouseButtons buttons);
// The key code of a key: letters and digits as their capital ASCII code, arrows 37 to 40 (Down
// is 40), function keys from 112, the usual editing keys; 0 for a key without a code.
int KeyCodeOf(int qtKey);

} // namespace vambrel
