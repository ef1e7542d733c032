#pragma once

#include "JobProxy.h"

namespace vambrel::client {

// Proxy of the build job qvtSrv.cAsync. Events are emitted on the connection's thread; connect
// handlers directly so that they can write Cancel.
class cAsync : public JobProxy {
    Q_OBJECT
public:
    explicit cAsync(QObject* parent = nullptr);

    void setFileName(const QString& v) { m_fileName = v; } // the catalogue to create
    void setSpec(const QString& v) { m_spec = v; }         // start folders joined by ':'
    void setMask(const QString& v) { m_mask = v; }         // file-name pattern

Q_SIGNALS:
    void Complete(bool& Success);
    void ProgressMain(const QString& sMain, bool& Cancel);
    void ProgressFolder(qint32 Nbre, bool& Cancel);
    void ProgressFile(qint32 Nbre, bool& Cancel);
    void ProgressState(qint32 nPos);
    void Cancelled();

protected:
    bool handleEvent(jobwire::Msg type, jobwire::WireDecoder& d) override;
    void raiseComplete(bool success) override;
    void raiseCancelled() override;
};

} // namespace vambrel::client
