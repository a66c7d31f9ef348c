#include "archive/ArchiveRowMatch.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// The archive keeps a row's cells from the label on, joined by TABs (TArchiveWriter). A label
// holds no TAB, but the cells are compared from the end all the same, so that one could not
// shift the others.
bool sameCells(const QString &archived, const QStringList &afterLabel)
{
    const QStringList cells = archived.split(QLatin1Char('\t'));
    if (cells.size() != afterLabel.size() + 1)
        return false;
    for (qsizetype k = 0; k < afterLabel.size(); ++k) {
        if (cells[k + 1] != afterLabel[k])
            return false;
    }
    return true;
}

} // namespace

namespace ArchiveRowMatch {

bool matches(const TArchiveResult &result, const TArchiveRowKey &key)
{
    return key.holdsResult() && result.model == key.model && result.dateText == key.dateText
           && result.timeText == key.timeText
           && sameCells(result.cells.join(QLatin1Char('\t')), key.cells);
}

QUuid find(const QSqlDatabase &db, const QString &station, const TArchiveRowKey &key, QString *error)
{
    if (!key.holdsResult())
        return QUuid();
    // The time and date texts narrow the results to the few taken in that second.
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const bool ok = q.prepare(
        QStringLiteral("SELECT c.uid, r.cells FROM results r JOIN records c ON c.id = r.id "
                       "WHERE r.time_text = ? AND r.date_text = ? AND r.model = ? "
                       "AND c.station = ? ORDER BY r.at_ms DESC, r.id DESC"));
    if (ok) {
        q.addBindValue(key.timeText);
        q.addBindValue(key.dateText);
        q.addBindValue(key.model);
        q.addBindValue(station);
    }
    if (!ok || !q.exec()) {
        *error = q.lastError().text();
        return QUuid();
    }
    while (q.next()) {
        if (sameCells(q.value(1).toString(), key.cells))
            return QUuid::fromRfc4122(q.value(0).toByteArray());
    }
    if (q.lastError().isValid())
        *error = q.lastError().text();
    return QUuid();
}

std::vector<QUuid> handles(const QSqlDatabase &db, const QString &station,
                           const std::vector<TArchiveHit> &hits)
{
    std::vector<QUuid> out(hits.size());
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT uid FROM records WHERE station = ? AND seq = ? "
                                  "AND kind = 'result'")))
        return out;
    for (size_t k = 0; k < hits.size(); ++k) {
        if (hits[k].station != station)
            continue;
        q.addBindValue(station);
        q.addBindValue(hits[k].seq);
        if (q.exec() && q.next())
            out[k] = QUuid::fromRfc4122(q.value(0).toByteArray());
        q.finish();
    }
    return out;
}

} // namespace ArchiveRowMatch
