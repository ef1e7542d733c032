#pragma once

#include "ShellPropertiesTexts.h"

#include <QDialog>

namespace vambrel {

// The program's properties sheet of a file or folder: a window of its own, closed by its
// button or its frame, deleted when closed.
class frmShellProperties : public QDialog {
    Q_OBJECT

public:
    frmShellProperties(const ShellPropertiesTexts& texts, QWidget* parent = nullptr);

    // Shows the sheet of path without waiting; false when the item is gone.
    static bool showFor(const QString& path, QWidget* owner);
};

} // namespace vambrel
