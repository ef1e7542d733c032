#include "cAsync3.h"

namespace vambrel {

cAsync3::cAsync3(quint32 id, ProtocolWriter& out, mStart& queue, FinishHook onFinish)
    : AsyncJob(id, jobwire::JobClass::Search, out, queue, std::move(onFinish)) {}

void cAsync3::Runnable_Start() {
    finishComplete(false, QStringLiteral("La recherche des nouveaux fichiers n'est pas encore disponible."));
}

} // namespace vambrel
