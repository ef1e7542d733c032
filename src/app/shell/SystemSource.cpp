#include "SystemSource.h"

#include "TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>
#include <limits>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace vambrel {

namespace {

// System files are small; anything larger is not what it claims to be.
constexpr qint64 kMaxFileSize = 256 * 1024;

SystemSource& currentStorage() {
    static SystemSource source;
    return source;
}

bool validKey(QByteArrayView key) {
    if (key.isEmpty())
        return false;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char c = key[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (!letter && !(i > 0 && c >= '0' && c <= '9'))
            return false;
    }
    return true;
}

// A shell-style value: double quotes with backslash escapes, single quotes literal, or bare.
std::optional<QByteArray> unquote(QByteArrayView value) {
    QByteArray out;
    const char quote = value.isEmpty() ? '\0' : value.front();
    if (quote != '"' && quote != '\'')
        return value.toByteArray();
    if (value.size() < 2 || value.back() != quote)
        return std::nullopt;
    const QByteArrayView inner = value.sliced(1, value.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        char c = inner[i];
        if (quote == '"' && c == '\\' && i + 1 < inner.size())
            c = inner[++i];
        out += c;
    }
    return out;
}

QString gecosName(const QByteArray& gecos, const QByteArray& login) {
    const qsizetype comma = gecos.indexOf(',');
    QString name = QString::fromUtf8(comma < 0 ? gecos : gecos.left(comma));
    // A "&" in the comment stands for the login name with a capital.
    if (name.contains(QLatin1Char('&'))) {
        QString capital = QString::fromUtf8(login);
        if (!capital.isEmpty())
            capital[0] = capital[0].toUpper();
        name.replace(QLatin1Char('&'), capital);
    }
    return name.trimmed();
}

// A one-line system text: cut at a NUL, blanks trimmed.
QString lineText(const QByteArray& data) {
    return StripAtNul(QString::fromUtf8(data)).trimmed();
}

} // namespace

SystemSource::SystemSource() : m_root(QStringLiteral("/")), m_uid(::getuid()), m_real(true) {}

SystemSource::SystemSource(const QString& root, uint uid)
    : m_root(QDir::cleanPath(root)), m_uid(uid), m_real(QDir::cleanPath(root) == QStringLiteral("/")) {}

const SystemSource& SystemSource::current() {
    return currentStorage();
}

void SystemSource::setCurrent(const SystemSource& source) {
    currentStorage() = source;
}

void SystemSource::resetCurrent() {
    currentStorage() = SystemSource();
}

QByteArray SystemSource::readFile(const QString& relativePath) const {
    const QString path =
        m_root + (m_root.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + relativePath;
    // Only regular files: a FIFO or a device put in place of a system file would block or flood.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kMaxFileSize);
}

QMap<QString, QString> SystemSource::parseOsRelease(const QByteArray& data) {
    QMap<QString, QString> fields;
    for (const QByteArray& rawLine : data.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.front() == '#')
            continue;
        const qsizetype equal = line.indexOf('=');
        if (equal <= 0 || !validKey(line.first(equal)))
            continue;
        const std::optional<QByteArray> value = unquote(line.sliced(equal + 1));
        if (value)
            fields.insert(QString::fromLatin1(line.first(equal)), StripAtNul(QString::fromUtf8(*value)));
    }
    return fields;
}

std::optional<quint64> SystemSource::parseMemInfo(const QByteArray& data, const QByteArray& field) {
    for (const QByteArray& line : data.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || line.first(colon) != field)
            continue;
        QByteArray rest = line.sliced(colon + 1).trimmed();
        quint64 multiplier = 1;
        if (rest.endsWith("kB")) {
            multiplier = 1024;
            rest = rest.chopped(2).trimmed();
        }
        bool ok = false;
        const quint64 value = rest.toULongLong(&ok);
        if (!ok || value > std::numeric_limits<quint64>::max() / multiplier)
            return std::nullopt;
        return value * multiplier;
    }
    return std::nullopt;
}

std::optional<SystemSource::UserEntry> SystemSource::parsePasswd(const QByteArray& data, uint uid) {
    for (const QByteArray& line : data.split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() < 7 || fields[0].isEmpty())
            continue;
        bool ok = false;
        const uint entryUid = fields[2].toUInt(&ok);
        if (!ok || entryUid != uid)
            continue;
        return UserEntry{QString::fromUtf8(fields[0]), gecosName(fields[4], fields[0])};
    }
    return std::nullopt;
}

QMap<QString, QString> SystemSource::osRelease() const {
    QByteArray data = readFile(QStringLiteral("etc/os-release"));
    if (data.isEmpty())
        data = readFile(QStringLiteral("usr/lib/os-release"));
    return parseOsRelease(data);
}

QString SystemSource::kernelRelease() const {
    if (m_real) {
        utsname names{};
        if (::uname(&names) == 0)
            return QString::fromUtf8(names.release);
    }
    return lineText(readFile(QStringLiteral("proc/sys/kernel/osrelease")));
}

std::optional<quint64> SystemSource::memoryTotal() const {
    return parseMemInfo(readFile(QStringLiteral("proc/meminfo")), "MemTotal");
}

std::optional<quint64> SystemSource::memoryAvailable() const {
    const QByteArray data = readFile(QStringLiteral("proc/meminfo"));
    if (const auto available = parseMemInfo(data, "MemAvailable"))
        return available;
    return parseMemInfo(data, "MemFree");
}

QString SystemSource::dmiValue(const QString& field) const {
    if (field.isEmpty() || field.contains(QLatin1Char('/')) || field.startsWith(QLatin1Char('.')))
        return {};
    return lineText(readFile(QStringLiteral("sys/class/dmi/id/") + field));
}

QString SystemSource::hostName() const {
    if (m_real) {
        const QString name = QSysInfo::machineHostName();
        if (!name.isEmpty())
            return name;
    }
    QString name = lineText(readFile(QStringLiteral("proc/sys/kernel/hostname")));
    if (name.isEmpty())
        name = lineText(readFile(QStringLiteral("etc/hostname")));
    return name;
}

std::optional<SystemSource::UserEntry> SystemSource::user() const {
    if (!m_real)
        return parsePasswd(readFile(QStringLiteral("etc/passwd")), m_uid);
    // The password database may live outside /etc/passwd (LDAP, systemd-homed...).
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = ::getpwuid_r(m_uid, &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < 1024 * 1024) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr || found->pw_name == nullptr)
            return std::nullopt;
        const QByteArray login(found->pw_name);
        return UserEntry{QString::fromUtf8(login),
                         gecosName(QByteArray(found->pw_gecos ? found->pw_gecos : ""), login)};
    }
}

} // namespace vambrel
