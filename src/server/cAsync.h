#pragma once

#include "AsyncJob.h"

namespace vambrel {

// The build job: creates the catalogue FileName from the start folders of Spec (joined by ':')
// and the pattern Mask. Properties are write-only.
class cAsync : public AsyncJob {
public:
    cAsync(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish);

    void FileName(const QString& v) { setFileName(v); }
    void Spec(const QString& v) { setSpec(v); }
    void Mask(const QString& v) { setMask(v); }

    void Runnable_Start() override;
};

} // namespace vambrel
