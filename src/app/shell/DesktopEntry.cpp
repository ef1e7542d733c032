#include "DesktopEntry.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vambrel {

namespace {

constexpr qint64 kMaxDesktopFileSize = 256 * 1024;

bool isTrue(const QString& value) {
    return value == QStringLiteral("true") || value == QStringLiteral("1");
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::load(const QString& path) {
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    DesktopEntry entry = parse(file.read(kMaxDesktopFileSize), path);
    if (!entry.m_hasGroup)
        return std::nullopt;
    return entry;
}

DesktopEntry DesktopEntry::parse(const QByteArray& data, const QString& path) {
    DesktopEntry entry;
    entry.m_path = path;
    bool inGroup = false;
    QString frenchName;
    for (const QByteArray& raw : data.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            // Only the first [Desktop Entry] group counts; actions and others are ignored.
            if (inGroup)
                break;
            inGroup = line == QStringLiteral("[Desktop Entry]");
            entry.m_hasGroup = entry.m_hasGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equal = line.indexOf(QLatin1Char('='));
        if (equal <= 0)
            continue;
        const QString key = line.left(equal).trimmed();
        const QString value = unescape(QStringView(line).mid(equal + 1).trimmed());
        if (key == QStringLiteral("Type"))
            entry.m_type = value;
        else if (key == QStringLiteral("Name"))
            entry.m_name = value;
        else if (key == QStringLiteral("Name[fr]"))
            frenchName = value;
        else if (key == QStringLiteral("Exec"))
            entry.m_exec = value;
        else if (key == QStringLiteral("TryExec"))
            entry.m_tryExec = value;
        else if (key == QStringLiteral("Path"))
            entry.m_workingFolder = value;
        else if (key == QStringLiteral("Icon"))
            entry.m_icon = value;
        else if (key == QStringLiteral("Terminal"))
            entry.m_terminal = isTrue(value);
        else if (key == QStringLiteral("Hidden"))
            entry.m_hidden = isTrue(value);
        else if (key == QStringLiteral("MimeType"))
            entry.m_mimeTypes = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    }
    if (!frenchName.isEmpty())
        entry.m_name = frenchName;
    return entry;
}

bool DesktopEntry::isLaunchable() const {
    if (m_type != QStringLiteral("Application") || m_exec.isEmpty() || m_hidden)
        return false;
    if (m_tryExec.isEmpty())
        return true;
    if (m_tryExec.contains(QLatin1Char('/'))) {
        const QFileInfo info(m_tryExec);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(m_tryExec).isEmpty();
}

QString DesktopEntry::unescape(QStringView value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            // Not a string escape: kept for the Exec quoting rules.
            out += c;
            out += next;
            break;
        }
    }
    return out;
}

std::optional<QStringList> DesktopEntry::splitExec(const QString& exec) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size() &&
                QStringView(u"\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        arguments.append(current);
    return arguments;
}

QStringList DesktopEntry::command(const QString& target) const {
    const std::optional<QStringList> split = splitExec(m_exec);
    // The program itself never comes from a field code: the target must not become the program.
    if (!split || split->isEmpty() ||
        QString(split->first()).remove(QStringLiteral("%%")).contains(QLatin1Char('%')))
        return {};
    QStringList command;
    bool targetGiven = false;
    for (const QString& argument : *split) {
        if (argument == QStringLiteral("%f") || argument == QStringLiteral("%F") ||
            argument == QStringLiteral("%u") || argument == QStringLiteral("%U")) {
            if (!targetGiven)
                command.append(target);
            targetGiven = true;
            continue;
        }
        if (argument == QStringLiteral("%i")) {
            if (!m_icon.isEmpty())
                command << QStringLiteral("--icon") << m_icon;
            continue;
        }
        QString expanded;
        bool onlyCodes = true;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] != QLatin1Char('%') || i + 1 == argument.size()) {
                expanded += argument[i];
                onlyCodes = false;
                continue;
            }
            const char16_t code = argument[++i].unicode();
            switch (code) {
            case u'%':
                expanded += QLatin1Char('%');
                onlyCodes = false;
                break;
            case u'f':
            case u'F':
            case u'u':
            case u'U':
                expanded += target;
                targetGiven = true;
                onlyCodes = false;
                break;
            case u'c':
                expanded += m_name;
                onlyCodes = false;
                break;
            case u'k':
                expanded += m_path;
                onlyCodes = false;
                break;
            default:
                // Deprecated and unknown codes are removed.
                break;
            }
        }
        if (!(onlyCodes && expanded.isEmpty()))
            command.append(expanded);
    }
    if (command.isEmpty() || command.first().isEmpty())
        return {};
    if (!targetGiven)
        command.append(target);
    return command;
}

} // namespace vambrel
