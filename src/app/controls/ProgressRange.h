#pragma once

#include <QString>
#include <QtGlobal>

namespace vambrel {

// Range and value of a progress bar with the validation rules shared by both bars. Every failed
// setter throws ControlError (source: the control's class name) and changes nothing.
class ProgressRange {
public:
    explicit ProgressRange(const QString& source) : m_source(source) {}

    int min() const { return m_min; }
    int max() const { return m_max; }
    int value() const { return m_value; }
    QString source() const { return m_source; }

    // Also moves the value to the new minimum.
    void setMin(int v);
    void setMax(int v);
    void setValue(int v, bool designTime = false);
    void resetValue() { m_value = m_min; }
    // Both bounds at once, for restoring saved properties; false (nothing changed) when the pair
    // breaks a rule.
    bool trySetBounds(int min, int max);

    // (value - min) / (max - min) * steps, rounded up, in exact integer arithmetic.
    int fillCount(int steps) const;

private:
    QString m_source;
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
};

} // namespace vambrel
