#include "ShellPropertiesTexts.h"

#include "NativeName.h"
#include "PathSyntax.h"
#include "TextFormat.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <vector>

namespace vambrel {

namespace {

QString userName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return QString::fromUtf8(found->pw_name);
    return QString::number(uid);
}

QString groupName(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return QString::fromUtf8(found->gr_name);
    return QString::number(gid);
}

QDateTime fromTimespec(const timespec& time) {
    return UnixTimeToDate(static_cast<qint64>(time.tv_sec));
}

} // namespace

QString ShellPropertiesTexts::value(const QString& caption) const {
    for (const Row& row : m_rows) {
        if (row.first == caption)
            return row.second;
    }
    return {};
}

QString ShellPropertiesTexts::permissionsText(uint mode) {
    QString text;
    const auto triad = [&text](uint bits, bool special, char16_t specialSet, char16_t specialUnset) {
        text += (bits & 4U) ? QLatin1Char('r') : QLatin1Char('-');
        text += (bits & 2U) ? QLatin1Char('w') : QLatin1Char('-');
        if (special)
            text += QChar((bits & 1U) ? specialSet : specialUnset);
        else
            text += (bits & 1U) ? QLatin1Char('x') : QLatin1Char('-');
    };
    triad((mode >> 6) & 7U, (mode & S_ISUID) != 0, u's', u'S');
    triad((mode >> 3) & 7U, (mode & S_ISGID) != 0, u's', u'S');
    triad(mode & 7U, (mode & S_ISVTX) != 0, u't', u'T');
    return text;
}

QString ShellPropertiesTexts::typeText(const QString& path, bool folder, bool link) {
    if (link)
        return QStringLiteral("Lien symbolique");
    if (folder)
        return QStringLiteral("Dossier");
    const QString extension = GetExtension(FileNameOf(path));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(FileNameOf(path), QMimeDatabase::MatchExtension);
    if (extension.isEmpty())
        return QStringLiteral("Fichier");
    if (type.isDefault() || type.comment().isEmpty())
        return QStringLiteral("Fichier ") + extension.mid(1).toUpper();
    QString comment = type.comment();
    comment[0] = comment[0].toUpper();
    return comment;
}

std::optional<ShellPropertiesTexts> ShellPropertiesTexts::read(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::lstat(PathToNative(path).constData(), &info) != 0)
        return std::nullopt;
    const bool link = S_ISLNK(info.st_mode);
    const bool folder = S_ISDIR(info.st_mode);
    QString name = FileNameOf(path);
    QString location = FolderOf(path);
    if (name.isEmpty()) {
        // A folder given with its final separator, or the root itself.
        QString trimmed = path;
        while (trimmed.size() > 1 && trimmed.endsWith(QChar(kPathSeparator)))
            trimmed.chop(1);
        name = trimmed == QStringLiteral("/") ? trimmed : FileNameOf(trimmed);
        location = trimmed == QStringLiteral("/") ? QString() : FolderOf(trimmed);
    }
    if (location.size() > 1 && location.endsWith(QChar(kPathSeparator)))
        location.chop(1);

    // Names that are not UTF-8 are shown with their bytes escaped, as everywhere else.
    name = DisplayName(name);
    location = DisplayName(location);
    ShellPropertiesTexts texts;
    texts.m_title = QStringLiteral("Propriétés de ") + name;
    texts.m_rows.append({QStringLiteral("Nom :"), name});
    texts.m_rows.append({QStringLiteral("Emplacement :"), location});
    texts.m_rows.append({QStringLiteral("Type :"), typeText(path, folder, link)});
    if (link)
        texts.m_rows.append({QStringLiteral("Cible :"), QFile::symLinkTarget(path)});
    if (!folder) {
        const auto size = static_cast<qint64>(info.st_size);
        texts.m_rows.append({QStringLiteral("Taille :"), SizeText(static_cast<double>(size)) +
                                                             QStringLiteral(" (") + GroupedNumberText(size) +
                                                             QStringLiteral(" octets)")});
    }
    texts.m_rows.append({QStringLiteral("Modifié le :"), GeneralDateText(fromTimespec(info.st_mtim))});
    texts.m_rows.append({QStringLiteral("Dernier accès :"), GeneralDateText(fromTimespec(info.st_atim))});
    texts.m_rows.append({QStringLiteral("Autorisations :"), permissionsText(info.st_mode)});
    texts.m_rows.append({QStringLiteral("Propriétaire :"), userName(info.st_uid)});
    texts.m_rows.append({QStringLiteral("Groupe :"), groupName(info.st_gid)});
    return texts;
}

} // namespace vambrel
