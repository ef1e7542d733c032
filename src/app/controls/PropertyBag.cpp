#include "PropertyBag.h"

namespace vambrel {

QVariant PropertyBag::readProperty(const QString& name, const QVariant& defaultValue) const {
    const auto it = m_values.constFind(name);
    return it == m_values.constEnd() ? defaultValue : it.value();
}

void PropertyBag::writeProperty(const QString& name, const QVariant& value) {
    m_values.insert(name, value);
}

} // namespace vambrel
