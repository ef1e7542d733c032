#pragma once

#include "JobProxy.h"

#include <QList>

namespace vambrel::client {

// Proxy of the check job qvtSrv.cAsync2. The three lists of Complete belong to the handler.
class cAsync2 : public JobProxy {
    Q_OBJECT
public:
    explicit cAsync2(QObject* parent = nullptr);

    void setFileName(const QString& v) { m_fileName = v; } // the catalogue to check

Q_SIGNALS:
    void Complete(bool& Success, QList<qint32>& colIdem, QList<qint32>& colDistinct,
                  QList<qint32>& colNonExist);
    void ProgressFile(quint8 iIndex, bool& Cancel);
    void ProgressState(qint32 nPos);
    void Cancelled();

protected:
    bool handleEvent(jobwire::Msg type, jobwire::WireDecoder& d) override;
    void raiseComplete(bool success) override;
    void raiseCancelled() override;
    void resetRun() override;

private:
    QList<qint32> m_lists[3];
};

} // namespace vambrel::client
