#include "cAsync2.h"

#include "WireDecoder.h"

namespace vambrel::client {

using jobwire::Msg;

cAsync2::cAsync2(QObject* parent) : JobProxy(jobwire::JobClass::Check, parent) {}

void cAsync2::resetRun() {
    for (auto& list : m_lists)
        list.clear();
}

bool cAsync2::handleEvent(Msg type, jobwire::WireDecoder& d) {
    switch (type) {
    case Msg::CheckProgressFile: {
        const quint8 index = d.u8();
        if (!d.complete() || index > 2)
            return false;
        raiseWithCancel([&](bool& cancel) { Q_EMIT ProgressFile(index, cancel); });
        return true;
    }
    case Msg::ProgressState: {
        const qint32 n = d.i32();
        if (!d.complete())
            return false;
        if (!cancelSent())
            Q_EMIT ProgressState(n);
        return true;
    }
    case Msg::Positions: {
        const quint8 which = d.u8();
        const quint32 count = d.u32();
        if (!d.ok() || which > 2 || count > jobwire::kMaxPositionsPerChunk)
            return false;
        QList<qint32>& list = m_lists[which];
        list.reserve(list.size() + count);
        for (quint32 i = 0; i < count; ++i) {
            const qint32 pos = d.i32();
            if (pos < 0)
                return false;
            list.append(pos);
        }
        return d.complete();
    }
    default:
        return false;
    }
}

void cAsync2::raiseComplete(bool success) {
    QList<qint32> idem = std::exchange(m_lists[0], {});
    QList<qint32> distinct = std::exchange(m_lists[1], {});
    QList<qint32> nonExist = std::exchange(m_lists[2], {});
    Q_EMIT Complete(success, idem, distinct, nonExist);
}

void cAsync2::raiseCancelled() {
    resetRun();
    Q_EMIT Cancelled();
}

} // namespace vambrel::client
