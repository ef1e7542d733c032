#include "cAsync.h"

#include "WireDecoder.h"

namespace vambrel::client {

using jobwire::Msg;

cAsync::cAsync(QObject* parent) : JobProxy(jobwire::JobClass::Build, parent) {}

bool cAsync::handleEvent(Msg type, jobwire::WireDecoder& d) {
    switch (type) {
    case Msg::ProgressMain: {
        const QString s = d.string();
        if (!d.complete())
            return false;
        raiseWithCancel([&](bool& cancel) { Q_EMIT ProgressMain(s, cancel); });
        return true;
    }
    case Msg::ProgressFolder:
    case Msg::ProgressFile: {
        const qint32 n = d.i32();
        if (!d.complete())
            return false;
        if (type == Msg::ProgressFolder)
            raiseWithCancel([&](bool& cancel) { Q_EMIT ProgressFolder(n, cancel); });
        else
            raiseWithCancel([&](bool& cancel) { Q_EMIT ProgressFile(n, cancel); });
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
    default:
        return false;
    }
}

void cAsync::raiseComplete(bool success) {
    Q_EMIT Complete(success);
}

void cAsync::raiseCancelled() {
    Q_EMIT Cancelled();
}

} // namespace vambrel::client
