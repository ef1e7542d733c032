#pragma once

#include "SystemSource.h"

#include <QString>
#include <QVariant>

namespace vambrel {

// Read access to the system values that the program shows, under the key paths and value
// names it asks for; on Linux they come from the system's own sources (SystemSource).
// Key paths and value names compare without regard to case, as registry names do.
// Any other key is missing, and a missing key or value reads as an empty QVariant.
class cRegistry {
public:
    enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users };

    explicit cRegistry(const SystemSource& source = SystemSource::current());

    void setClassKey(RootKey key) { m_classKey = key; }
    RootKey ClassKey() const { return m_classKey; }
    // Backslash-separated path below the root key.
    void setSectionKey(const QString& path) { m_sectionKey = path; }
    QString SectionKey() const { return m_sectionKey; }
    void setValueKey(const QString& name) { m_valueKey = name; }
    QString ValueKey() const { return m_valueKey; }

    // Whether SectionKey can be opened under ClassKey.
    bool KeyExists() const;
    // The value ValueKey of that key: a text, or an empty QVariant when it cannot be read.
    QVariant Value() const;

private:
    enum class Key { None, CurrentVersion, Setup, UserInfo, DefaultUserInfo };
    Key key() const;

    SystemSource m_source;
    RootKey m_classKey = RootKey::LocalMachine;
    QString m_sectionKey;
    QString m_valueKey;
};

} // namespace vambrel
