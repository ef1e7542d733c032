#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace vambrel {

// The [Desktop Entry] group of an application's .desktop file, as far as launching it needs.
// The file is hostile input: size bounded, malformed lines skipped, bad quoting refused.
class DesktopEntry {
public:
    // Reads a .desktop file; none when it cannot be read or has no [Desktop Entry] group.
    static std::optional<DesktopEntry> load(const QString& path);
    static DesktopEntry parse(const QByteArray& data, const QString& path = {});

    QString path() const { return m_path; }
    QString name() const { return m_name; }
    QString exec() const { return m_exec; }
    QString workingFolder() const { return m_workingFolder; }
    QStringList mimeTypes() const { return m_mimeTypes; }
    bool terminal() const { return m_terminal; }
    // An application that can be started: Type=Application, an Exec line, not Hidden, and its
    // TryExec program (when given) present.
    bool isLaunchable() const;

    // The command that opens target: the Exec line split into arguments, field codes expanded;
    // target is appended when the line has no file code. Empty when the line is malformed.
    QStringList command(const QString& target) const;

    // The Exec quoting rules: arguments split at blanks, double quotes with \" \` \$ \\ escapes.
    static std::optional<QStringList> splitExec(const QString& exec);
    // The escapes of string values: \s \n \t \r \\.
    static QString unescape(QStringView value);

private:
    QString m_path;
    QString m_type;
    QString m_name;
    QString m_exec;
    QString m_tryExec;
    QString m_workingFolder;
    QString m_icon;
    QStringList m_mimeTypes;
    bool m_terminal = false;
    bool m_hidden = false;
    bool m_hasGroup = false;
};

} // namespace vambrel
