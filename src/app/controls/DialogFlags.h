#pragma once

#include <Qt>

namespace vambrel {

// The frame of a modal dialog: a title and a close button, no minimise or maximise button.
inline constexpr Qt::WindowFlags kDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

} // namespace vambrel
