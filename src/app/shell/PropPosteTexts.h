#pragma once

#include "SystemSource.h"
#include "cRegistry.h"

#include <QString>

namespace vambrel {

// The four texts of the computer's properties window, lines separated by "\n".
// A value the system does not give leaves its place empty.
class PropPosteTexts {
public:
    explicit PropPosteTexts(const SystemSource& source = SystemSource::current());

    QString system() const;   // lblSys
    QString memory() const;   // lblMem
    QString user() const;     // lblUser
    QString computer() const; // lblComputer

private:
    QString registryText(cRegistry::RootKey root, const QString& path, const QString& name) const;

    SystemSource m_source;
};

} // namespace vambrel
