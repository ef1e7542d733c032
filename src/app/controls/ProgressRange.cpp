#include "ProgressRange.h"

#include "ControlError.h"

namespace vambrel {

namespace {
QString minBelowMax() {
    return QStringLiteral("La propriété Min doit être inférieure à la propriété Max");
}
} // namespace

void ProgressRange::setMin(int v) {
    if (v < 0)
        throw ControlError(ControlError::InvalidRange,
                           QStringLiteral("La propriété Min doit être supérieure ou égale à 0"), m_source);
    if (v >= m_max)
        throw ControlError(ControlError::InvalidRange, minBelowMax(), m_source);
    m_min = v;
    m_value = v;
}

void ProgressRange::setMax(int v) {
    if (v < 1)
        throw ControlError(ControlError::InvalidRange,
                           QStringLiteral("La propriété Max doit être supérieure à 0"), m_source);
    if (v <= m_min)
        throw ControlError(ControlError::InvalidRange, minBelowMax(), m_source);
    m_max = v;
    // A lower maximum must not leave the value beyond the range.
    if (m_value > m_max)
        m_value = m_max;
}

void ProgressRange::setValue(int v, bool designTime) {
    if (designTime)
        throw ControlError::setNotPermitted(m_source);
    if (v < m_min || v > m_max)
        throw ControlError(
            ControlError::InvalidValue,
            QStringLiteral("Value doit être supérieure ou égale à Min et inférieure ou égale à Max"),
            m_source);
    m_value = v;
}

bool ProgressRange::trySetBounds(int min, int max) {
    if (min < 0 || max < 1 || min >= max)
        return false;
    m_min = min;
    m_max = max;
    m_value = min;
    return true;
}

int ProgressRange::fillCount(int steps) const {
    if (steps <= 0)
        return 0;
    const qint64 done = qint64(m_value) - m_min;
    const qint64 span = qint64(m_max) - m_min;
    return int((done * steps + span - 1) / span);
}

} // namespace vambrel
