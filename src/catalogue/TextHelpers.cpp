#include "TextHelpers.h"

namespace vambrel {

QString StripAtNul(QStringView text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return (nul < 0 ? text : text.left(nul)).toString();
}

} // namespace vambrel
