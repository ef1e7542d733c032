#include "PropPosteTexts.h"

#include "TextFormat.h"
#include "cRegistry.h"

#include <QStringList>

namespace vambrel {

namespace {

const QString kCurrentVersion = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
const QString kSetup = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Setup");
const QString kUserInfo = QStringLiteral("Software\\Microsoft\\MS Setup (ACME)\\User Info");

QString lines(const QStringList& parts) {
    return parts.join(QLatin1Char('\n'));
}

} // namespace

PropPosteTexts::PropPosteTexts(const SystemSource& source) : m_source(source) {}

QString PropPosteTexts::registryText(cRegistry::RootKey root, const QString& path,
                                     const QString& name) const {
    cRegistry registry(m_source);
    registry.setClassKey(root);
    registry.setSectionKey(path);
    registry.setValueKey(name);
    return NullToText(registry.Value());
}

QString PropPosteTexts::system() const {
    const auto machine = cRegistry::RootKey::LocalMachine;
    const auto value = [&](const char* name) {
        return registryText(machine, kCurrentVersion, QLatin1String(name));
    };
    return lines({value("ProductName"),
                  QStringLiteral("Version: ") + value("Version") + QLatin1Char(' ') + value("VersionNumber") +
                      QLatin1Char(' ') + value("SubVersionNumber"),
                  QString(), QStringLiteral("Licence accordée à ") + value("RegisteredOwner"),
                  value("ProductId")});
}

QString PropPosteTexts::memory() const {
    const auto total = m_source.memoryTotal();
    const auto available = m_source.memoryAvailable();
    return lines({QStringLiteral("Total: ") + (total ? MemoryText(*total) : QString()),
                  QStringLiteral("Disponible : ") + (available ? MemoryText(*available) : QString())});
}

QString PropPosteTexts::user() const {
    const auto user = cRegistry::RootKey::CurrentUser;
    return lines(
        {QStringLiteral("Nom: ") + registryText(user, kUserInfo, QStringLiteral("DefName")),
         QStringLiteral("Compagnie: ") + registryText(user, kUserInfo, QStringLiteral("DefCompany"))});
}

QString PropPosteTexts::computer() const {
    const auto machine = cRegistry::RootKey::LocalMachine;
    const auto user = m_source.user();
    return lines(
        {QStringLiteral("Fabricant: ") + registryText(machine, kSetup, QStringLiteral("Manufacturer")),
         QStringLiteral("Nom: ") + m_source.hostName(),
         QStringLiteral("En tant que: ") + (user ? user->loginName : QString())});
}

} // namespace vambrel
