#pragma once

#include <QStringList>

namespace vambrel {

// The buttons of one FormType of frmMsgBox: captions in order and which of them answers Enter
// (default) and Escape (cancel), as 0-based positions or -1.
struct MsgBoxButtonSet {
    QStringList captions;
    int defaultButton = -1;
    int cancelButton = -1;

    static constexpr int MaxFormType = 6;
    // FormType 0 (buttons given one by one) and unknown types give no buttons.
    static MsgBoxButtonSet forType(int formType);
};

} // namespace vambrel
