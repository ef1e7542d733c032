#pragma once

#include <QString>
#include <QStringView>

namespace vambrel {

// Full path of a fresh unique name in the temporary folder, beginning with the first three
// characters of prefix and ending with ".tmp"; no file is left at that name. Empty on failure.
QString TempFileName(QStringView prefix);

} // namespace vambrel
