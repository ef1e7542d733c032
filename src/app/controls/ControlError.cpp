#include "ControlError.h"

namespace vambrel {

ControlError::ControlError(quint32 number, const QString& message, const QString& source)
    : std::runtime_error(message.toStdString()), m_number(number), m_message(message), m_source(source) {}

ControlError ControlError::setNotPermitted(const QString& source) {
    return ControlError(SetNotPermitted, QStringLiteral("Définition non autorisée"), source);
}

ControlError ControlError::setNotSupportedAtRuntime(const QString& source) {
    return ControlError(SetNotSupportedAtRuntime,
                        QStringLiteral("Définition non gérée au moment de l'exécution"), source);
}

ControlError ControlError::invalidPropertyValue(const QString& source) {
    return ControlError(InvalidPropertyValue, QStringLiteral("Valeur de propriété non valide"), source);
}

ControlError ControlError::subscriptOutOfRange(const QString& source) {
    return ControlError(SubscriptOutOfRange, QStringLiteral("L'indice n'appartient pas à la sélection"),
                        source);
}

} // namespace vambrel
