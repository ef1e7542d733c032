#pragma once

#include <QString>
#include <QtGlobal>
#include <stdexcept>

namespace vambrel {

// A numbered error raised by one of the program's controls. The caller catches it and reads the
// number, the French message and the source, which is the class name of the control.
class ControlError : public std::runtime_error {
public:
    // Range properties (Min, Max) out of their rules.
    static constexpr quint32 InvalidRange = 0x80040201u;
    // Value outside [Min, Max].
    static constexpr quint32 InvalidValue = 0x80040202u;
    // A run-time property set at design time.
    static constexpr quint32 SetNotPermitted = 387;
    // A property that cannot be set while the program runs.
    static constexpr quint32 SetNotSupportedAtRuntime = 382;
    // A property value outside the values the property accepts.
    static constexpr quint32 InvalidPropertyValue = 380;
    // An index outside a collection.
    static constexpr quint32 SubscriptOutOfRange = 9;

    ControlError(quint32 number, const QString& message, const QString& source);

    quint32 number() const { return m_number; }
    QString message() const { return m_message; }
    QString source() const { return m_source; }

    static ControlError setNotPermitted(const QString& source);
    static ControlError setNotSupportedAtRuntime(const QString& source);
    static ControlError invalidPropertyValue(const QString& source);
    static ControlError subscriptOutOfRange(const QString& source);

private:
    quint32 m_number;
    QString m_message;
    QString m_source;
};

} // namespace vambrel
