#pragma once

#include "StopFlag.h"

#include <QString>
#include <QtGlobal>

namespace vambrel {

// The events of a new-file search, in the order the search raises them. Each bool is the
// client's Cancel for that event.
class NewFileEvents {
public:
    virtual ~NewFileEvents() = default;
    virtual bool ProgressMain(qint32 iMax) = 0;   // highest folder index of a walk, when > 0
    virtual bool ProgressFolder(qint32 iPos) = 0; // a folder is about to be searched
    virtual bool ProgressFile(qint32 nNbre) = 0;  // new files found so far
    virtual void Complete(bool success) = 0;
    virtual void Cancelled() = 0;
    // The client's cancel as it arrives, between events: once set, the search stops where it is
    // (reading the catalogue, in the folder walk, in a listing) and cancels. Null: only the
    // events' Cancel stops it.
    virtual const StopFlag* stopFlag() const { return nullptr; }
};

struct NewFileParams {
    QString fileName;  // the new-files list to create; must not exist
    QString spec;      // start folders joined by ':'
    QString mask;      // file-name pattern
    QString catalogue; // the compared catalogue, opened read-only
};

// Walks the start folders as a build does and writes to a new-files list every matching file that
// the catalogue lacks (names compared without regard to case). Raises exactly one terminal event.
void RunNewFileSearch(const NewFileParams& params, NewFileEvents& events, QString* failure = nullptr);

} // namespace vambrel
