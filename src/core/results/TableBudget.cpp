#include "results/TableBudget.h"

#include <atomic>

#include <QFile>

#include "text/Strings.h"

namespace {

std::atomic<qint64> s_available{-1};

constexpr qint64 kMb = 1 << 20;

} // namespace

namespace TableBudget {

qint64 openingCost(qint64 bytes, qint64 lines, int colCount)
{
    return 2 * bytes + (lines + 1) * (RowOverhead + ColumnCost * qMax(colCount, 1));
}

qint64 parseMemAvailable(const QByteArray &meminfo)
{
    for (const QByteArray &line : meminfo.split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> parts = line.mid(13).simplified().split(' ');
        bool ok = false;
        const qint64 kb = parts.value(0).toLongLong(&ok);
        if (!ok || kb < 0)
            return -1;
        return parts.value(1) == "kB" ? kb * 1024 : kb;
    }
    return -1;
}

qint64 available()
{
    const qint64 set = s_available.load();
    if (set >= 0)
        return set;
    QFile f(QStringLiteral("/proc/meminfo"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return parseMemAvailable(f.read(64 * 1024));
}

void setAvailable(qint64 bytes)
{
    s_available.store(bytes);
}

bool fits(qint64 cost, QString *why)
{
    return fits(cost, available(), why);
}

bool fits(qint64 cost, qint64 have, QString *why)
{
    if (have < 0 || cost <= have / 4 * 3)
        return true;
    if (why)
        *why = Str::TableNeedsMemory.arg((cost + kMb - 1) / kMb).arg(have / kMb);
    return false;
}

} // namespace TableBudget
