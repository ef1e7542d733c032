#include "cAsync3.h"

#include "WireDecoder.h"

namespace vambrel::client {

using jobwire::Msg;

cAsync3::cAsync3(QObject* parent) : JobProxy(jobwire::JobClass::Search, parent) {}

bool cAsync3::handleEvent(Msg type, jobwire::WireDecoder& d) {
    if (type != Msg::SearchProgressMain && type != Msg::SearchProgressFolder && type != Msg::ProgressFile)
        return false;
    const qint32 n = d.i32();
    if (!d.complete())
        return false;
    raiseWithCancel([&](bool& cancel) {
        if (type == Msg::SearchProgressMain)
            Q_EMIT ProgressMain(n, cancel);
        else if (type == Msg::SearchProgressFolder)
            Q_EMIT ProgressFolder(n, cancel);
        else
            Q_EMIT ProgressFile(n, cancel);
    });
    return true;
}

void cAsync3::raiseComplete(bool success) {
    Q_EMIT Complete(success);
}

void cAsync3::raiseCancelled() {
    Q_EMIT Cancelled();
}

} // namespace vambrel::client
