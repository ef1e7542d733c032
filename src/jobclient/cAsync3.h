#pragma once

#include "JobProxy.h"

namespace vambrel::client {

// Proxy of the new-file search qvtSrv.cAsync3. FileRec is the path of the compared catalogue,
// which the server opens read-only itself.
class cAsync3 : public JobProxy {
    Q_OBJECT
public:
    explicit cAsync3(QObject* parent = nullptr);

    void setFileName(const QString& v) { m_fileName = v; } // the new-files list to create
    void setSpec(const QString& v) { m_spec = v; }
    void setMask(const QString& v) { m_mask = v; }
    void setFileRec(const QString& v) { m_fileRec = v; }

Q_SIGNALS:
    void ProgressMain(qint32 iMax, bool& Cancel);
    void ProgressFolder(qint32 iPos, bool& Cancel);
    void ProgressFile(qint32 nNbre, bool& Cancel);
    void Complete(bool& Success);
    void Cancelled();

protected:
    bool handleEvent(jobwire::Msg type, jobwire::WireDecoder& d) override;
    void raiseComplete(bool success) override;
    void raiseCancelled() override;
};

} // namespace vambrel::client
