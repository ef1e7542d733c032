#include "FileTime.h"

#include <ctime>

namespace vambrel {

namespace {

constexpr qint64 kTicksPerSecond = 10'000'000;

QDateTime localFromUnix(qint64 seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    if (static_cast<qint64>(t) != seconds)
        return ZeroDate();
    std::tm fields{};
    if (localtime_r(&t, &fields) == nullptr)
        return ZeroDate();
    const QDate date(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday);
    const QTime time(fields.tm_hour, fields.tm_min, qMin(fields.tm_sec, 59));
    if (!date.isValid() || !time.isValid())
        return ZeroDate();
    return QDateTime(date, time, Qt::LocalTime);
}

int digits(QStringView text, qsizetype from, qsizetype count, bool* ok) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            *ok = false;
            return 0;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

FileTime FileTimeFromUnix(qint64 seconds, qint64 nanoseconds) {
    const qint64 ticks = (seconds + kFileTimeEpochOffset) * kTicksPerSecond + nanoseconds / 100;
    return ticks < 0 ? 0 : static_cast<FileTime>(ticks);
}

void PinLocalTimeZone() {
    if (qEnvironmentVariableIsEmpty("TZ")) {
        qputenv("TZ", ":/etc/localtime");
        tzset();
    }
}

QDateTime ZeroDate() {
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0, 0), Qt::LocalTime);
}

QDateTime FileTimeToDate(FileTime time) {
    // Values past the year 30827 are refused, as the system conversion refuses them.
    if (time >= 0x8000000000000000ULL)
        return ZeroDate();
    const qint64 seconds = static_cast<qint64>(time / kTicksPerSecond) - kFileTimeEpochOffset;
    return localFromUnix(seconds);
}

QDateTime FileTimeToDate(quint32 low, quint32 high) {
    return FileTimeToDate((static_cast<FileTime>(high) << 32) | low);
}

QDateTime UnixTimeToDate(qint64 seconds) {
    if (seconds < -kFileTimeEpochOffset)
        return ZeroDate();
    return localFromUnix(seconds);
}

QString DateToText(const QDateTime& date) {
    if (!date.isValid())
        return {};
    const QDate d = date.date();
    const QTime t = date.time();
    const int year = d.year();
    if (year < 0 || year > 9999)
        return {};
    // Written by hand: this runs once per file of every catalogue built.
    char16_t out[19];
    auto put = [&out](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            out[at + i] = char16_t(u'0' + value % 10);
    };
    put(0, year, 4);
    out[4] = u'-';
    put(5, d.month(), 2);
    out[7] = u'-';
    put(8, d.day(), 2);
    out[10] = u' ';
    put(11, t.hour(), 2);
    out[13] = u':';
    put(14, t.minute(), 2);
    out[16] = u':';
    put(17, t.second(), 2);
    return QString(reinterpret_cast<const QChar*>(out), 19);
}

int UnixTimeToText(qint64 seconds, char (&out)[kDateTextSize]) {
    // The same rules as UnixTimeToDate() and DateToText(): a time that cannot be converted is the
    // zero date, a leap second is the second before it, and a year past 9999 has no text.
    std::tm fields{};
    const auto t = static_cast<std::time_t>(seconds);
    const bool converted = seconds >= -kFileTimeEpochOffset && static_cast<qint64>(t) == seconds &&
                           localtime_r(&t, &fields) != nullptr;
    // From 1601 on, so never the year 0 that a date refuses.
    const qint64 year = converted ? qint64(fields.tm_year) + 1900 : 1899;
    if (year > 9999)
        return 0;
    const int month = converted ? fields.tm_mon + 1 : 12;
    const int day = converted ? fields.tm_mday : 30;
    const int hour = converted ? fields.tm_hour : 0;
    const int minute = converted ? fields.tm_min : 0;
    const int second = converted ? qMin(fields.tm_sec, 59) : 0;
    auto put = [&out](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            out[at + i] = char('0' + value % 10);
    };
    put(0, int(year), 4);
    out[4] = '-';
    put(5, month, 2);
    out[7] = '-';
    put(8, day, 2);
    out[10] = ' ';
    put(11, hour, 2);
    out[13] = ':';
    put(14, minute, 2);
    out[16] = ':';
    put(17, second, 2);
    return kDateTextSize;
}

QDateTime DateFromText(QStringView text) {
    if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' || text[13] != u':' ||
        text[16] != u':')
        return {};
    bool ok = true;
    const int year = digits(text, 0, 4, &ok);
    const int month = digits(text, 5, 2, &ok);
    const int day = digits(text, 8, 2, &ok);
    const int hour = digits(text, 11, 2, &ok);
    const int minute = digits(text, 14, 2, &ok);
    const int second = digits(text, 17, 2, &ok);
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!ok || !date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::LocalTime);
}

} // namespace vambrel
