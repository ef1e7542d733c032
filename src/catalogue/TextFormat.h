#pragma once

#include "FileTime.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

namespace vambrel {

// The texts that every window shows for sizes, counts and dates.

// A size with its unit: divided by 1024 while above 1000, up to giga-octets; whole values as
// "2 Ko", others with two decimals after a comma and no digit before it below 1 (",98 Ko").
// Not a number or infinite gives an empty text.
QString SizeText(double octets);

// Empty text for a null database value, otherwise the value as text.
QString NullToText(const QVariant& value);

// Digits grouped by three with spaces whatever the locale: 1234567 gives "1 234 567".
QString GroupedNumberText(qint64 value);

// Octets in mega-octets of 1 024 000 with one decimal: 268435456 gives "262,1 Mo".
QString MemoryText(quint64 octets);

// The general date text: dd/MM/yyyy HH:mm:ss; empty for an invalid date.
QString GeneralDateText(const QDateTime& date);

// The local date of a file time as dd/MM/yyyy HH:mm:ss; empty when it cannot be converted.
QString FormatFileDate(FileTime time);

} // namespace vambrel
