#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace vambrel {

// A file time: 100-nanosecond intervals since 1 January 1601, UTC.
using FileTime = quint64;

// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr qint64 kFileTimeEpochOffset = 11644473600LL;

FileTime FileTimeFromUnix(qint64 seconds, qint64 nanoseconds = 0);

// The zero date, 30 December 1899 00:00:00 (local), returned when a conversion fails.
QDateTime ZeroDate();

// Local date and time of a file time, whole seconds; ZeroDate() when it cannot be converted.
QDateTime FileTimeToDate(FileTime time);
QDateTime FileTimeToDate(quint32 low, quint32 high);
// The same rule for seconds since 1970 UTC, as stat() gives them.
QDateTime UnixTimeToDate(qint64 seconds);

// Fixes the process's local time zone to the system's for the rest of its life, when TZ is not
// set: without it the C library looks at the zone file again at every conversion, which costs a
// system call per file in a walk. Call once at start, before any thread converts a date.
void PinLocalTimeZone();

// The storage form of a date in catalogues: "YYYY-MM-DD HH:MM:SS", local time.
QString DateToText(const QDateTime& date);
// The storage form of UnixTimeToDate(seconds), written into `out` without making a date (the
// build writes one for every file): 19 bytes, or 0 where DateToText gives no text (a year past
// 9999), which is stored as Null. Safe on any thread once the zone is pinned.
inline constexpr int kDateTextSize = 19;
int UnixTimeToText(qint64 seconds, char (&out)[kDateTextSize]);
// Parses the storage form; an invalid QDateTime when the text is not of that form.
QDateTime DateFromText(QStringView text);

} // namespace vambrel
