#include "cRegistry.h"

#include <QStringList>

namespace vambrel {

namespace {

bool same(const QString& a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The path with its separators tidied: no empty part, no leading or trailing backslash.
QString normalPath(const QString& path) {
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

QString firstOf(const QMap<QString, QString>& fields, const QString& key, const QString& second) {
    const QString value = fields.value(key);
    return value.isEmpty() ? fields.value(second) : value;
}

} // namespace

cRegistry::cRegistry(const SystemSource& source) : m_source(source) {}

cRegistry::Key cRegistry::key() const {
    const QString path = normalPath(m_sectionKey);
    switch (m_classKey) {
    case RootKey::LocalMachine:
        if (same(path, u"Software\\Microsoft\\Windows\\CurrentVersion"))
            return Key::CurrentVersion;
        if (same(path, u"Software\\Microsoft\\Windows\\CurrentVersion\\Setup"))
            return Key::Setup;
        break;
    case RootKey::CurrentUser:
        if (same(path, u"Software\\Microsoft\\MS Setup (ACME)\\User Info"))
            return m_source.user() ? Key::UserInfo : Key::None;
        break;
    case RootKey::Users:
        if (same(path, u".Default\\Software\\Microsoft\\MS Setup (ACME)\\User Info"))
            return m_source.user() ? Key::DefaultUserInfo : Key::None;
        break;
    case RootKey::ClassesRoot:
        break;
    }
    return Key::None;
}

bool cRegistry::KeyExists() const {
    return key() != Key::None;
}

QVariant cRegistry::Value() const {
    const Key k = key();
    const QString& name = m_valueKey;
    QString value;
    bool known = true;
    switch (k) {
    case Key::None:
        return {};
    case Key::CurrentVersion: {
        const QMap<QString, QString> release = m_source.osRelease();
        if (same(name, u"ProductName")) {
            value = firstOf(release, QStringLiteral("PRETTY_NAME"), QStringLiteral("NAME"));
            if (value.isEmpty())
                value = QStringLiteral("Linux");
        } else if (same(name, u"Version")) {
            value = release.value(QStringLiteral("NAME"), QStringLiteral("Linux"));
        } else if (same(name, u"VersionNumber")) {
            value = release.value(QStringLiteral("VERSION_ID"));
        } else if (same(name, u"SubVersionNumber")) {
            value = m_source.kernelRelease();
        } else if (same(name, u"ProductId")) {
            value = release.value(QStringLiteral("BUILD_ID"));
        } else if (same(name, u"RegisteredOwner")) {
            const auto user = m_source.user();
            value = !user ? QString() : user->fullName.isEmpty() ? user->loginName : user->fullName;
        } else {
            known = false;
        }
        break;
    }
    case Key::Setup:
        if (same(name, u"Manufacturer")) {
            value = m_source.dmiValue(QStringLiteral("sys_vendor"));
            if (value.isEmpty())
                value = m_source.dmiValue(QStringLiteral("board_vendor"));
        } else {
            known = false;
        }
        break;
    case Key::UserInfo:
    case Key::DefaultUserInfo:
        // No company is kept on Linux: "DefCompany" stays missing.
        if (same(name, u"DefName")) {
            const auto user = m_source.user();
            value = !user ? QString() : user->fullName.isEmpty() ? user->loginName : user->fullName;
        } else {
            known = false;
        }
        break;
    }
    if (!known || value.isEmpty())
        return {};
    return value;
}

} // namespace vambrel
