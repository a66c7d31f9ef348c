#include "archive/HitReading.h"

#include <cmath>
#include <limits>

#include <QSqlError>
#include <QSqlQuery>

#include "text/Strings.h"

namespace {

qint64 integer(const QVariant &v)
{
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    return ok ? n : 0;
}

// An infinity stays one, as the table showed it ("INF"); the archive keeps no NaN.
std::optional<double> number(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || std::isnan(d))
        return std::nullopt;
    return d;
}

} // namespace

namespace HitReading {

QString text(const QVariant &v)
{
    return v.isNull() ? QString() : v.toString().left(MaxText);
}

int smallInt(const QVariant &v)
{
    const qint64 n = integer(v);
    return n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max() ? 0 : int(n);
}

QDateTime time(const QVariant &v)
{
    // Beyond the years a QDateTime holds comfortably, the time reads as unknown.
    constexpr qint64 Limit = 400LL * 366 * 24 * 3600 * 1000;
    const qint64 ms = integer(v);
    return ms <= -Limit || ms >= Limit ? QDateTime() : QDateTime::fromMSecsSinceEpoch(ms);
}

TArchiveHit hit(const Row &row)
{
    TArchiveHit hit;
    hit.id = integer(row(Id));
    hit.station = text(row(Station));
    hit.seq = integer(row(Seq));
    TArchiveResult &r = hit.result;
    r.at = time(row(AtMs));
    r.model = text(row(Model));
    r.group = smallInt(row(Group));
    r.label = text(row(Label));
    const QVariant current = row(CurrentLabel);
    hit.edited = !current.isNull();
    hit.label = hit.edited ? text(current) : r.label;
    r.values.resize(ArchiveLimits::ValueCount);
    int last = -1;
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k) {
        r.values[k] = number(row(FirstValue + k));
        if (r.values[k])
            last = k;
    }
    r.values.resize(last + 1);
    return hit;
}

TArchiveHit hit(const QSqlQuery &query)
{
    return hit([&query](int column) { return query.value(column); });
}

void readDetails(const Row &row, TArchiveResult &r)
{
    r.port = text(row(Port));
    r.deviceNumber = smallInt(row(Device));
    r.dateText = text(row(DateText));
    r.timeText = text(row(TimeText));
    // What MaxCells cells of MaxText characters can take is looked at, no more.
    r.cells = row(Cells).toString().left(qsizetype(MaxCells) * (MaxText + 1)).split(u'\t');
    if (r.cells.size() > MaxCells)
        r.cells.resize(MaxCells);
    for (QString &cell : r.cells)
        cell.truncate(MaxText);
    r.raw = row(Raw).toByteArray().left(MaxRaw);
}

bool loadDetails(QSqlQuery &query, std::vector<TArchiveHit> &hits, QString *error,
                 const std::function<QString(const QSqlQuery &)> &describe)
{
    for (TArchiveHit &hit : hits) {
        query.addBindValue(hit.id);
        const bool found = query.exec() && query.next();
        if (!found) {
            if (error) {
                *error = query.lastError().isValid()
                             ? describe(query)
                             : Str::ArchiveHitGone.arg(hit.station, QString::number(hit.seq));
            }
            return false;
        }
        readDetails([&query](int column) { return query.value(column); }, hit.result);
        query.finish();
    }
    return true;
}

} // namespace HitReading
