#include "TextFormat.h"

#include <cmath>

namespace vambrel {

namespace {

constexpr qint64 kTicksPerSecond = 10'000'000;

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString dateTimeText(const QDateTime& date, int yearWidth) {
    const QDate d = date.date();
    const QTime t = date.time();
    return twoDigits(d.day()) + QLatin1Char('/') + twoDigits(d.month()) + QLatin1Char('/') +
           QStringLiteral("%1").arg(d.year(), yearWidth, 10, QLatin1Char('0')) + QLatin1Char(' ') +
           twoDigits(t.hour()) + QLatin1Char(':') + twoDigits(t.minute()) + QLatin1Char(':') +
           twoDigits(t.second());
}

} // namespace

QString SizeText(double octets) {
    if (!std::isfinite(octets))
        return {};
    static const char* const units[] = {"octet(s)", "Ko", "Mo", "Go"};
    double value = octets == 0 ? 0.0 : octets;
    int divisions = 0;
    while (divisions < 3 && value > 1000) {
        value /= 1024;
        ++divisions;
    }
    const QString unit = QLatin1Char(' ') + QLatin1String(units[divisions]);
    // Whole or not as the number's shortest text says: fifteen significant digits.
    const QString plain = QString::number(value, 'g', 15);
    if (!plain.contains(QLatin1Char('.'))) {
        if (!plain.contains(QLatin1Char('e')))
            return plain + unit;
        if (value == std::floor(value))
            return QString::number(value, 'f', 0) + unit;
    }
    QString text = QString::number(std::fabs(value), 'f', 2);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    if (value < 0)
        text.prepend(QLatin1Char('-'));
    return text + unit;
}

QString NullToText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    return value.toString();
}

QString GroupedNumberText(qint64 value) {
    const quint64 magnitude =
        value < 0 ? quint64(0) - static_cast<quint64>(value) : static_cast<quint64>(value);
    const QString digits = QString::number(magnitude);
    QString text;
    text.reserve(digits.size() + digits.size() / 3 + 1);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += QLatin1Char(' ');
        text += digits.at(i);
    }
    return value < 0 ? QLatin1Char('-') + text : text;
}

QString MemoryText(quint64 octets) {
    const auto tenths = static_cast<qint64>(std::llround(static_cast<double>(octets) / 102400.0));
    return GroupedNumberText(tenths / 10) + QLatin1Char(',') + QString::number(tenths % 10) +
           QStringLiteral(" Mo");
}

QString GeneralDateText(const QDateTime& date) {
    return date.isValid() ? dateTimeText(date, 4) : QString();
}

QString FormatFileDate(FileTime time) {
    const QDateTime date = FileTimeToDate(time);
    if (date == ZeroDate()) {
        // The zero date also stands for a failed conversion: keep it only when it is the true value.
        const qint64 seconds = static_cast<qint64>(time / kTicksPerSecond) - kFileTimeEpochOffset;
        if (time >= 0x8000000000000000ULL || ZeroDate().toSecsSinceEpoch() != seconds)
            return {};
    }
    return dateTimeText(date, 0);
}

} // namespace vambrel
