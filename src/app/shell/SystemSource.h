#pragma once

#include <QMap>
#include <QString>
#include <optional>

namespace vambrel {

// Where the program learns about the system: files below a root folder (/etc/os-release,
// /proc/meminfo, /proc/sys/kernel, /sys/class/dmi/id, /etc/passwd) and the user id. On the real
// root the system calls (uname, host name, password database) answer first; any other root
// reads only its files, so tests give sample files. Every file is read as hostile input.
class SystemSource {
public:
    struct UserEntry {
        QString loginName;
        QString fullName; // first field of the comment, without the others
    };

    // The real system, for the current user.
    SystemSource();
    SystemSource(const QString& root, uint uid);

    // The source that windows and cRegistry use when none is given; tests replace it.
    static const SystemSource& current();
    static void setCurrent(const SystemSource& source);
    static void resetCurrent();

    QString root() const { return m_root; }
    uint uid() const { return m_uid; }
    bool isRealSystem() const { return m_real; }

    // Fields of os-release (/etc/os-release, else /usr/lib/os-release), unquoted.
    QMap<QString, QString> osRelease() const;
    // The kernel release, such as "6.1.0-18-amd64"; empty when unknown.
    QString kernelRelease() const;
    // Physical memory in octets from meminfo (MemTotal; MemAvailable, else MemFree).
    std::optional<quint64> memoryTotal() const;
    std::optional<quint64> memoryAvailable() const;
    // One value of /sys/class/dmi/id, such as "sys_vendor"; empty when missing.
    QString dmiValue(const QString& field) const;
    QString hostName() const;
    // The password entry of the user id; none when there is none.
    std::optional<UserEntry> user() const;

    // Parsers, public for the tests.
    static QMap<QString, QString> parseOsRelease(const QByteArray& data);
    static std::optional<quint64> parseMemInfo(const QByteArray& data, const QByteArray& field);
    static std::optional<UserEntry> parsePasswd(const QByteArray& data, uint uid);

private:
    QByteArray readFile(const QString& relativePath) const;

    QString m_root;
    uint m_uid;
    bool m_real;
};

} // namespace vambrel
