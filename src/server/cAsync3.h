#pragma once

#include "AsyncJob.h"

namespace vambrel {

// The new-file search: records in the new-files list FileName every file below the start folders
// of Spec matching Mask that the catalogue FileRec (a path, opened read-only) does not hold.
class cAsync3 : public AsyncJob {
public:
    cAsync3(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish);

    void FileName(const QString& v) { setFileName(v); }
    void Spec(const QString& v) { setSpec(v); }
    void Mask(const QString& v) { setMask(v); }
    void FileRec(const QString& v) { setFileRec(v); }

    void Runnable_Start() override;
};

} // namespace vambrel
