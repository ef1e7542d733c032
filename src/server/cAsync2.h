#pragma once

#include "AsyncJob.h"

#include <QList>

namespace vambrel {

// The check job: sorts the files of the catalogue FileName into identical, different and no
// longer existing. Its Complete carries the three lists of query positions.
class cAsync2 : public AsyncJob {
public:
    cAsync2(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish);

    void FileName(const QString& v) { setFileName(v); }

    void Runnable_Start() override;

private:
    // One collection as Positions frames, before Complete.
    void sendPositions(jobwire::PositionList which, const QList<qint32>& positions);
};

} // namespace vambrel
