#pragma once

// A count with its noun in the Russian form the number asks for: "1 запись", "2 записи",
// "5 записей", "11 записей", "21 запись", "122 записи".

#include <QString>

namespace Plural {

inline QString count(qint64 n, const QString &one, const QString &few, const QString &many)
{
    const qint64 tens = (n < 0 ? -n : n) % 100;
    const qint64 units = tens % 10;
    const QString &noun = tens >= 11 && tens <= 14   ? many
                          : units == 1               ? one
                          : units >= 2 && units <= 4 ? few
                                                     : many;
    return QString::number(n) + QLatin1Char(' ') + noun;
}

} // namespace Plural
