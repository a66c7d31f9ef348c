#pragma once

// Column statistics as text: the lines of the statistics bar, values in the locale's
// format with two decimals as the grid shows them, and the same as TAB-separated text for
// the clipboard.

#include <vector>

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "quality/TColumnStats.h"

enum class TStatLine { Count, Mean, Min, Max, Sd, Outside };

namespace StatsText {

// Count, mean, minimum, maximum, deviation; the count outside limits when there are limits.
QList<TStatLine> lines(bool withLimits);
QString lineName(TStatLine line, bool selection);
// Empty where the value does not exist (no numbers; a deviation of fewer than two, values
// outside the limits of a column without limits).
QString cell(TStatLine line, const TStat &stat, bool hasLimit, const QLocale &locale);

struct TColumn
{
    QString title;
    TStat stat;
    bool hasLimit = false;
};
// A title line, then one line per statistic: its name, then a cell per column.
QString tsv(const QList<TColumn> &columns, bool withLimits, bool selection, const QLocale &locale);

} // namespace StatsText
