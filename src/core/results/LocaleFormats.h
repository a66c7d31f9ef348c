#pragma once

// How results appear in the grid, in result files and on paper: the system locale's short date,
// its long time without the time zone, and values with two decimals.

#include <optional>

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include "table/ShownNumber.h"

// Fixed notation with two decimals after the value is rounded to nine significant digits
// (halves away from zero), with the locale's decimal separator and ASCII digits and minus:
// 1234567.891 -> "1234567,89", 123456789.123 -> "123456789,00".
// A value with more than nine integer digits after rounding is written in scientific form:
// the nine significant digits without trailing zeros, "E" and an exponent of at least two
// digits, no plus sign: 1.23456789e10 -> "1,23456789E10", 1e12 -> "1E12".
// A value that rounds to zero carries no sign: -0.001 -> "0,00".
// Not-a-number and infinities print "NAN", "INF" and "-INF".
QString FormatValue(double v, const QLocale &locale = QLocale::system());
// The number FormatValue shows for v, told without writing and reading the text: v rounded as
// shown, its decimals and notation. None for not-a-number and the infinities.
std::optional<ShownNumber::Value> shownValue(double v);

QString FormatShortDate(const QDate &d, const QLocale &locale = QLocale::system());

// Files and printouts must not carry a time-zone name, which the long format ends with on Linux.
QString FormatLongTime(const QTime &t, const QLocale &locale = QLocale::system());

// The locale's long time format with its time-zone field and the blank before it removed.
QString LongTimeFormatWithoutZone(const QLocale &locale = QLocale::system());
