#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace vambrel {

// The design-time properties of a control by persisted name. A window saves a control's bag with
// its own settings and hands it back to restore the control.
class PropertyBag {
public:
    PropertyBag() = default;
    explicit PropertyBag(const QVariantMap& values) : m_values(values) {}

    // The stored value, or defaultValue when the name was never written.
    QVariant readProperty(const QString& name, const QVariant& defaultValue = {}) const;
    void writeProperty(const QString& name, const QVariant& value);

    bool contains(const QString& name) const { return m_values.contains(name); }
    QStringList names() const { return m_values.keys(); }
    QVariantMap toVariantMap() const { return m_values; }

private:
    QVariantMap m_values;
};

} // namespace vambrel
