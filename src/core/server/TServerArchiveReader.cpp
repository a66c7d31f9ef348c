#include "server/TServerArchiveReader.h"

#include <limits>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "archive/ArchiveSchema.h"
#include "archive/HitReading.h"
#include "server/ServerConfig.h"
#include "server/StatementGuard.h"
#include "text/ServerStrings.h"

namespace {

using HitReading::smallInt;
using HitReading::text;
using HitReading::time;

QString error(const QSqlQuery &q)
{
    return ServerConfig::redacted(q.lastError().text());
}

QString currentLabel()
{
    return QStringLiteral("(SELECT l.new_text FROM reg01_records l WHERE l.kind = 'label' "
                          "AND l.station = r.station AND l.result_seq = r.seq "
                          "ORDER BY l.seq DESC LIMIT 1)");
}

} // namespace

TServerArchiveReader::TServerArchiveReader(const QString &conninfo, const ConnInfo::Bounds &bounds)
    : m_conninfo(ConnInfo::withBounds(conninfo, bounds))
    , m_refusal(ConnInfo::hasPassword(conninfo) ? Str::ServerPasswordRefused : QString())
{}

// The guard lets go of the connection before it goes.
TServerArchiveReader::~TServerArchiveReader()
{
    if (m_guard)
        m_guard->detach();
}

bool TServerArchiveReader::ensureOpen(QString *error)
{
    QSqlDatabase db = m_connection.database();
    if (!m_refusal.isEmpty()) {
        *error = m_refusal;
        return false;
    }
    if (db.isOpen() && !StatementGuard::lost(db))
        return true;
    if (m_guard)
        m_guard->detach();
    db.close();
    db.setConnectOptions(m_conninfo);
    if (db.open()) {
        if (m_guard)
            m_guard->attach(db);
        return true;
    }
    *error = ServerConfig::redacted(db.lastError().text());
    return false;
}

TArchiveSearchResult TServerArchiveReader::search(const TArchiveQuery &query)
{
    TArchiveSearchResult out;
    if (!ensureOpen(&out.error)) {
        out.ok = false;
        return out;
    }
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    const QString folded = ArchiveSchema::foldLabel(query.label);
    const bool ok = q.prepare(
        QStringLiteral("SELECT r.id, r.station, r.seq, r.at_ms, r.model, r.grp, r.label, ")
        + currentLabel() + QStringLiteral(", ") + ArchiveSchema::valueColumns()
        + QStringLiteral(" FROM reg01_records r WHERE r.kind = 'result' "
                         "AND (COALESCE(?, '') = '' OR r.model = ?) AND r.at_ms >= ? "
                         "AND (CAST(? AS boolean) OR r.at_ms < ?) "
                         "AND (COALESCE(?, '') = '' OR strpos(r.folded, ?) > 0 OR EXISTS (SELECT 1 "
                         "FROM reg01_records l WHERE l.kind = 'label' AND l.station = r.station "
                         "AND l.result_seq = r.seq AND strpos(l.folded, ?) > 0)) "
                         "ORDER BY r.at_ms DESC, r.id DESC LIMIT ?"));
    const qint64 from = query.from.isValid() ? query.from.toMSecsSinceEpoch()
                                             : std::numeric_limits<qint64>::min();
    const qint64 to = query.to.isValid() ? query.to.toMSecsSinceEpoch() : 0;
    const int limit = std::max(query.limit, 0);
    for (const QVariant &v : {QVariant(query.model), QVariant(query.model), QVariant(from),
                              QVariant(!query.to.isValid()), QVariant(to), QVariant(folded),
                              QVariant(folded), QVariant(folded), QVariant(qint64(limit) + 1)})
        q.addBindValue(v);
    if (!ok || !q.exec()) {
        out.ok = false;
        out.error = error(q);
        return out;
    }
    while (q.next()) {
        if (int(out.hits.size()) == limit) {
            out.truncated = true;
            break;
        }
        out.hits.push_back(HitReading::hit(q));
    }
    return out;
}

bool TServerArchiveReader::loadDetails(std::vector<TArchiveHit> &hits, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (!ensureOpen(error))
        return false;
    QSqlQuery q(m_connection.database());
    if (!q.prepare(QStringLiteral("SELECT port, device, date_text, time_text, cells, raw "
                                  "FROM reg01_records WHERE id = ? AND kind = 'result'"))) {
        *error = ::error(q);
        return false;
    }
    return HitReading::loadDetails(q, hits, error, ::error);
}

std::vector<TArchiveLabelEntry> TServerArchiveReader::labelHistory(qint64 id, QString *error)
{
    std::vector<TArchiveLabelEntry> out;
    if (!ensureOpen(error))
        return out;
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT l.at_ms, l.row_no, l.old_text, l.new_text, "
                                  "l.os_user, l.file_name FROM reg01_records l "
                                  "JOIN reg01_records r ON r.station = l.station "
                                  "AND r.seq = l.result_seq WHERE r.id = ? "
                                  "AND l.kind = 'label' ORDER BY l.seq LIMIT 10000"))) {
        *error = ::error(q);
        return out;
    }
    q.addBindValue(id);
    if (!q.exec()) {
        *error = ::error(q);
        return out;
    }
    while (q.next()) {
        out.push_back({time(q.value(0)), smallInt(q.value(1)), text(q.value(2)), text(q.value(3)),
                       text(q.value(4)), text(q.value(5))});
    }
    return out;
}

QStringList TServerArchiveReader::models()
{
    QString ignored;
    QStringList out;
    if (!ensureOpen(&ignored))
        return out;
    QSqlQuery q(m_connection.database());
    if (!q.exec(QStringLiteral("SELECT DISTINCT model FROM reg01_records WHERE kind = 'result' "
                               "AND model IS NOT NULL ORDER BY model LIMIT 1000")))
        return out;
    while (q.next())
        out << text(q.value(0));
    return out;
}
