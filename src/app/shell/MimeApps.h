#pragma once

#include <QHash>
#include <QMimeType>
#include <QString>
#include <QStringList>

namespace vambrel {

// The desktop's associations between MIME types and applications: mimeapps.list files in the
// configuration and data folders (desktop-specific ones first), their [Default Applications],
// [Added Associations] and [Removed Associations], and the MimeType keys of .desktop files.
class MimeApps {
public:
    // The folders of the XDG variables (XDG_CONFIG_HOME, XDG_CONFIG_DIRS, XDG_DATA_HOME,
    // XDG_DATA_DIRS, XDG_CURRENT_DESKTOP) with their standard defaults.
    MimeApps();
    // configDirs and dataDirs in order of precedence, the user's own first.
    MimeApps(const QStringList& configDirs, const QStringList& dataDirs, const QStringList& desktops);

    // The .desktop file that opens this type: its default application, else the most preferred
    // associated one; then the same for its parent types. Empty when there is none.
    QString applicationFor(const QMimeType& type) const;
    // The same for one type name, without parent types.
    QString applicationFor(const QString& typeName) const;
    // Where a desktop file id ("org.example.App.desktop") is installed; empty when nowhere.
    QString desktopFilePath(const QString& id) const;

private:
    struct ListFile {
        QHash<QString, QStringList> defaults;
        QHash<QString, QStringList> added;
        QHash<QString, QStringList> removed;
    };
    void loadLists() const;
    void loadDesktopFiles() const;
    bool launchable(const QString& id) const;
    bool associated(const QString& id, const QString& typeName) const;

    QStringList m_configDirs;
    QStringList m_dataDirs;
    QStringList m_desktops;
    mutable bool m_listsLoaded = false;
    mutable QList<ListFile> m_lists;
    mutable bool m_desktopFilesLoaded = false;
    mutable QHash<QString, QString> m_desktopFiles; // id -> path, first folder wins
    mutable QList<QString> m_desktopOrder;          // ids in folder order, then by name
    mutable QHash<QString, QStringList> m_declaredTypes;
    mutable QHash<QString, bool> m_launchable;
};

} // namespace vambrel
