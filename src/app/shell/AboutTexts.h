#pragma once

#include "SystemSource.h"

#include <QString>

namespace vambrel {

// The texts of the About box, from the build and the system.
class AboutTexts {
public:
    explicit AboutTexts(const SystemSource& source = SystemSource::current());

    static QString title();       // product name
    static QString version();     // "Version " + major.minor.revision
    static QString description(); // file description
    static QString disclaimer();  // legal notice
    // "License accordée à " + the default user's name when that user is known; empty otherwise.
    QString user() const;
    static QString webAddress();
    static QString mailAddress();
    // What a click on an address opens.
    static QString webTarget(const QString& address);
    static QString mailTarget(const QString& address);

private:
    SystemSource m_source;
};

} // namespace vambrel
