#include "MimeApps.h"

#include "DesktopEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSet>
#include <algorithm>

namespace vambrel {

namespace {

constexpr qint64 kMaxListFileSize = 1024 * 1024;
constexpr int kMaxDesktopFiles = 20000;

QStringList envDirs(const char* name, const QString& fallback) {
    QStringList dirs;
    const QString value = qEnvironmentVariable(name);
    for (const QString& dir :
         (value.isEmpty() ? fallback : value).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        // Relative entries are invalid in these variables and ignored.
        if (QDir::isAbsolutePath(dir))
            dirs.append(QDir::cleanPath(dir));
    }
    return dirs;
}

QString envDir(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : fallback;
}

// One mimeapps.list: its groups as type -> desktop ids.
void readList(const QString& path, bool desktopSpecific, QHash<QString, QStringList>* defaults,
              QHash<QString, QStringList>* added, QHash<QString, QStringList>* removed) {
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QHash<QString, QStringList>* group = nullptr;
    for (const QByteArray& raw : file.read(kMaxListFileSize).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            group = nullptr;
            if (line == QStringLiteral("[Default Applications]"))
                group = defaults;
            // Additions and removals belong only in the files that are not desktop-specific.
            else if (!desktopSpecific && line == QStringLiteral("[Added Associations]"))
                group = added;
            else if (!desktopSpecific && line == QStringLiteral("[Removed Associations]"))
                group = removed;
            continue;
        }
        const qsizetype equal = line.indexOf(QLatin1Char('='));
        if (group == nullptr || equal <= 0)
            continue;
        const QString type = line.left(equal).trimmed();
        QStringList& ids = (*group)[type];
        for (const QString& id : line.mid(equal + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = id.trimmed();
            if (!trimmed.isEmpty() && !ids.contains(trimmed))
                ids.append(trimmed);
        }
    }
}

} // namespace

MimeApps::MimeApps() {
    const QString home = QDir::homePath();
    m_configDirs = QStringList{envDir("XDG_CONFIG_HOME", home + QStringLiteral("/.config"))} +
                   envDirs("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    m_dataDirs = QStringList{envDir("XDG_DATA_HOME", home + QStringLiteral("/.local/share"))} +
                 envDirs("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    for (const QString& desktop :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        m_desktops.append(desktop.toLower());
}

MimeApps::MimeApps(const QStringList& configDirs, const QStringList& dataDirs, const QStringList& desktops)
    : m_configDirs(configDirs), m_dataDirs(dataDirs) {
    for (const QString& desktop : desktops)
        m_desktops.append(desktop.toLower());
}

void MimeApps::loadLists() const {
    if (m_listsLoaded)
        return;
    m_listsLoaded = true;
    QStringList folders = m_configDirs;
    for (const QString& dir : m_dataDirs)
        folders.append(dir + QStringLiteral("/applications"));
    for (const QString& folder : folders) {
        for (const QString& desktop : m_desktops) {
            // A desktop name is a file name part: no separator may lead elsewhere.
            if (desktop.contains(QLatin1Char('/')))
                continue;
            ListFile list;
            readList(folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list"), true,
                     &list.defaults, &list.added, &list.removed);
            m_lists.append(list);
        }
        ListFile list;
        readList(folder + QStringLiteral("/mimeapps.list"), false, &list.defaults, &list.added,
                 &list.removed);
        m_lists.append(list);
    }
}

void MimeApps::loadDesktopFiles() const {
    if (m_desktopFilesLoaded)
        return;
    m_desktopFilesLoaded = true;
    int seen = 0;
    for (const QString& dataDir : m_dataDirs) {
        const QString root = dataDir + QStringLiteral("/applications");
        if (!QFileInfo(root).isDir())
            continue;
        QStringList found;
        QDirIterator it(root, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext() && seen < kMaxDesktopFiles) {
            found.append(it.next());
            ++seen;
        }
        // Folder listings come in no particular order: sort them for a stable preference.
        std::sort(found.begin(), found.end());
        for (const QString& path : found) {
            // The id of a file in a subfolder joins the folders with "-".
            QString id = QDir(root).relativeFilePath(path);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (m_desktopFiles.contains(id))
                continue;
            m_desktopFiles.insert(id, path);
            m_desktopOrder.append(id);
        }
    }
}

QString MimeApps::desktopFilePath(const QString& id) const {
    loadDesktopFiles();
    return m_desktopFiles.value(id);
}

bool MimeApps::launchable(const QString& id) const {
    const auto known = m_launchable.constFind(id);
    if (known != m_launchable.constEnd())
        return *known;
    const QString path = desktopFilePath(id);
    const std::optional<DesktopEntry> entry = path.isEmpty() ? std::nullopt : DesktopEntry::load(path);
    const bool ok = entry && entry->isLaunchable();
    m_launchable.insert(id, ok);
    if (entry)
        m_declaredTypes.insert(id, entry->mimeTypes());
    return ok;
}

bool MimeApps::associated(const QString& id, const QString& typeName) const {
    if (!launchable(id))
        return false;
    if (m_declaredTypes.value(id).contains(typeName))
        return true;
    return std::any_of(m_lists.cbegin(), m_lists.cend(),
                       [&](const ListFile& list) { return list.added.value(typeName).contains(id); });
}

QString MimeApps::applicationFor(const QString& typeName) const {
    if (typeName.isEmpty())
        return {};
    loadLists();
    loadDesktopFiles();
    // The first default, in the order of the files, that is installed and associated with the type.
    for (const ListFile& list : std::as_const(m_lists)) {
        for (const QString& id : list.defaults.value(typeName)) {
            if (associated(id, typeName))
                return desktopFilePath(id);
        }
    }
    // Otherwise the most preferred association: defaults and additions file by file, less what
    // the files before have removed, then the applications that declare the type.
    QSet<QString> removed;
    for (const ListFile& list : std::as_const(m_lists)) {
        for (const QString& id : list.defaults.value(typeName)) {
            if (!removed.contains(id) && associated(id, typeName))
                return desktopFilePath(id);
        }
        for (const QString& id : list.added.value(typeName)) {
            if (!removed.contains(id) && launchable(id))
                return desktopFilePath(id);
        }
        for (const QString& id : list.removed.value(typeName))
            removed.insert(id);
    }
    for (const QString& id : std::as_const(m_desktopOrder)) {
        if (removed.contains(id) || !launchable(id))
            continue;
        if (m_declaredTypes.value(id).contains(typeName))
            return desktopFilePath(id);
    }
    return {};
}

QString MimeApps::applicationFor(const QMimeType& type) const {
    if (!type.isValid())
        return {};
    QStringList names{type.name()};
    names += type.aliases();
    names += type.allAncestors();
    for (const QString& name : std::as_const(names)) {
        const QString path = applicationFor(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

} // namespace vambrel
