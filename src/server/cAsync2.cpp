#include "cAsync2.h"

namespace vambrel {

cAsync2::cAsync2(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish)
    : AsyncJob(id, jobwire::JobClass::Check, out, queue, std::move(onFinish)) {}

void cAsync2::Runnable_Start() {
    // Complete(false) with three empty position lists until the check itself exists.
    finishComplete(false, QStringLiteral("La vérification d'un catalogue n'est pas encore disponible."));
}

} // namespace vambrel
