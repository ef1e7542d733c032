#include "MsgBoxButtonSet.h"

namespace vambrel {

MsgBoxButtonSet MsgBoxButtonSet::forType(int formType) {
    const QString ok = QStringLiteral("OK");
    const QString cancel = QStringLiteral("Annuler");
    const QString yes = QStringLiteral("&Oui");
    const QString no = QStringLiteral("&Non");
    const QString retry = QStringLiteral("&Réessayer");
    switch (formType) {
    case 1:
        return {{ok}, -1, -1};
    case 2:
        return {{ok, cancel}, 0, 1};
    case 3:
        return {{yes, no}, 0, 1};
    case 4:
        return {{yes, no, cancel}, 0, 2};
    case 5:
        return {{retry, cancel}, 0, 1};
    case 6:
        return {{QStringLiteral("&Abandon"), retry, QStringLiteral("&Ignorer")}, 0, 2};
    default:
        return {};
    }
}

} // namespace vambrel
