#include "AppInfo.h"

namespace vambrel {

QString AppInfo::productName() {
    return QStringLiteral(VAMBREL_PRODUCT_NAME);
}
QString AppInfo::description() {
    return QStringLiteral(VAMBREL_DESCRIPTION);
}
QString AppInfo::legalNotice() {
    return QStringLiteral(VAMBREL_LEGAL_NOTICE);
}
QString AppInfo::versionText() {
    return QStringLiteral(VAMBREL_VERSION_TEXT);
}
int AppInfo::versionMajor() {
    return VAMBREL_VERSION_MAJOR;
}
int AppInfo::versionMinor() {
    return VAMBREL_VERSION_MINOR;
}
int AppInfo::versionPatch() {
    return VAMBREL_VERSION_PATCH;
}

QString AppInfo::webAddress() {
    return QStringLiteral(VAMBREL_WEB_ADDRESS);
}
QString AppInfo::mailAddress() {
    return QStringLiteral(VAMBREL_MAIL_ADDRESS);
}

} // namespace vambrel
