#pragma once

#include <QString>
#include <QStringView>

namespace vambrel {

// The text before its first NUL character; the whole text when it has none.
QString StripAtNul(QStringView text);

} // namespace vambrel
