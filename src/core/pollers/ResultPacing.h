#pragma once

#include <QDateTime>

// A new result is asked for when more than two minutes have passed since the last one taken,
// strictly. No result yet asks at once; a clock set back behind the last result must not hold
// results back until it catches up.
inline bool ResultDue(const QDateTime &lastResult, const QDateTime &now)
{
    constexpr qint64 kIntervalMs = 2 * 60 * 1000;
    return !lastResult.isValid() || now < lastResult || lastResult.msecsTo(now) > kIntervalMs;
}
