#pragma once

#include <QString>
#include <QtGlobal>

namespace vambrel {

// A numbered error raised by a job method, as the client sees it.
struct JobError {
    qint32 number = 0;
    QString source;      // "qvtSrv.cAsync" and so on
    QString description; // "Already running."
};

} // namespace vambrel
