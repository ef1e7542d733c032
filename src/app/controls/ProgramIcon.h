#pragma once

#include <QIcon>

namespace vambrel {

// The program's own icon, drawn here at the usual sizes: a disk with the lines of a listing.
// Every window carries it (QApplication::setWindowIcon).
QIcon ProgramIcon();

} // namespace vambrel
