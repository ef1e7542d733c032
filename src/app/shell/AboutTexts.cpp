#include "AboutTexts.h"

#include "AppInfo.h"
#include "TextFormat.h"
#include "cRegistry.h"

namespace vambrel {

AboutTexts::AboutTexts(const SystemSource& source) : m_source(source) {}

QString AboutTexts::title() {
    return AppInfo::productName();
}

QString AboutTexts::version() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(AppInfo::versionMajor())
        .arg(AppInfo::versionMinor())
        .arg(AppInfo::versionPatch());
}

QString AboutTexts::description() {
    return AppInfo::description();
}

QString AboutTexts::disclaimer() {
    return AppInfo::legalNotice();
}

QString AboutTexts::user() const {
    cRegistry registry(m_source);
    registry.setClassKey(cRegistry::RootKey::Users);
    registry.setSectionKey(QStringLiteral(".Default\\Software\\Microsoft\\MS Setup (ACME)\\User Info"));
    if (!registry.KeyExists())
        return {};
    registry.setValueKey(QStringLiteral("DefName"));
    return QStringLiteral("License accordée à ") + NullToText(registry.Value());
}

QString AboutTexts::webAddress() {
    return AppInfo::webAddress();
}

QString AboutTexts::mailAddress() {
    return AppInfo::mailAddress();
}

QString AboutTexts::webTarget(const QString& address) {
    return address.trimmed();
}

QString AboutTexts::mailTarget(const QString& address) {
    // No space after the scheme: "mailto: x" is not a valid address for a mail program.
    return QStringLiteral("mailto:") + address.trimmed();
}

} // namespace vambrel
