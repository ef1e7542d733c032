#pragma once

#include "StopFlag.h"

#include <QString>
#include <QtGlobal>
#include <cstddef>

namespace vambrel {

// The events of a catalogue build, in the order the build raises them. Each event that returns a
// bool returns the client's Cancel for it: true stops the build at that point.
class BuildEvents {
public:
    virtual ~BuildEvents() = default;
    virtual bool ProgressMain(const QString& sMain) = 0; // a start folder begins
    virtual bool ProgressFolder(qint32 nbre) = 0;        // highest folder index of the walk, when > 0
    virtual bool ProgressFile(qint32 nbre) = 0;          // files recorded so far in the whole job
    virtual void ProgressState(qint32 nPos) = 0;         // a folder's files are about to be recorded
    virtual void Complete(bool success) = 0;
    virtual void Cancelled() = 0;
    // The client's cancel as it arrives, between events: once set, the build stops where it is
    // (in the folder walk, in a folder's listing, between rows) and cancels. Null: only the
    // events' Cancel stops it.
    virtual const StopFlag* stopFlag() const { return nullptr; }
};

struct BuildParams {
    QString fileName; // the catalogue to create; must not exist
    QString spec;     // start folders joined by ':'
    QString mask;     // file-name pattern, "*.*" for every file
    // The bytes of names the folder walk keeps so that those folders are not read again; folders
    // past it are read a second time. The names of about 200,000 files: no more than the page
    // cache the writer no longer keeps.
    size_t keptNames = 4 << 20;
};

// Runs one build to its end: raises exactly one terminal event, Complete or Cancelled.
// A cancelled build deletes its file; a failed one leaves what it wrote (complete rows only).
// When `failure` is given it receives a French description of what ended a failed build.
void RunCatalogueBuild(const BuildParams& params, BuildEvents& events, QString* failure = nullptr);

} // namespace vambrel
