// A real catalogue as a test's starting point, built with no one listening to its events.
#pragma once

#include "CatalogueBuilder.h"

#include <QString>

namespace vambrel::test {

// Builds `file` from the start folders `spec`; true when the build succeeded.
inline bool quietBuild(const QString& file, const QString& spec,
                       const QString& mask = QStringLiteral("*.*")) {
    class Silent : public BuildEvents {
    public:
        bool ok = false;
        bool ProgressMain(const QString&) override { return false; }
        bool ProgressFolder(qint32) override { return false; }
        bool ProgressFile(qint32) override { return false; }
        void ProgressState(qint32) override {}
        void Complete(bool success) override { ok = success; }
        void Cancelled() override {}
    } events;
    RunCatalogueBuild({file, spec, mask}, events);
    return events.ok;
}

} // namespace vambrel::test
