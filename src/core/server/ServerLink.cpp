#include "server/ServerLink.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include "archive/ArchiveRecords.h"
#include "archive/ArchiveSchema.h"
#include "server/PgArray.h"
#include "server/ServerConfig.h"
#include "server/ServerSchema.h"
#include "server/StatementGuard.h"
#include "text/ServerStrings.h"

namespace {

using Type = PgArray::Type;

struct Column
{
    const char *name;
    Type type;
};

// The server's columns in the order a local row is read and sent; v0... follow "raw".
constexpr Column Head[] = {
    {"station", Type::Text},   {"seq", Type::BigInt},     {"uid", Type::Text},
    {"kind", Type::Text},      {"at_ms", Type::BigInt},   {"at_iso", Type::Text},
    {"model", Type::Text},     {"port", Type::Text},      {"device", Type::Integer},
    {"date_text", Type::Text}, {"time_text", Type::Text}, {"grp", Type::Integer},
    {"label", Type::Text},     {"folded", Type::Text},    {"cells", Type::Text},
    {"raw", Type::Bytes},
};
constexpr Column Tail[] = {
    {"result_seq", Type::BigInt}, {"row_no", Type::Integer},    {"old_text", Type::Text},
    {"new_text", Type::Text},     {"os_user", Type::Text},      {"file_name", Type::Text},
    {"event", Type::Text},        {"row_count", Type::Integer},
};
constexpr int HeadCount = int(std::size(Head));
constexpr int ColumnCount = HeadCount + ArchiveLimits::ValueCount + int(std::size(Tail));
// Where in a row the kind, the label and the folded label stand.
constexpr int KindAt = 3;
constexpr int LabelAt = 12;
constexpr int FoldedAt = 13;
constexpr int UidAt = 2;

std::vector<PgArray> emptyColumns()
{
    std::vector<PgArray> out;
    out.reserve(ColumnCount);
    for (const Column &c : Head)
        out.emplace_back(c.type);
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        out.emplace_back(Type::Double);
    for (const Column &c : Tail)
        out.emplace_back(c.type);
    return out;
}

// The whole batch in one statement, one array parameter per column; what the server holds
// already is skipped.
QString insertSql()
{
    QStringList names;
    QStringList arrays;
    auto add = [&](const QString &name, Type type) {
        names << name;
        arrays << QStringLiteral("CAST(? AS %1)").arg(PgArray::sqlType(type));
    };
    for (const Column &c : Head)
        add(QString::fromLatin1(c.name), c.type);
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        add(QStringLiteral("v%1").arg(k), Type::Double);
    for (const Column &c : Tail)
        add(QString::fromLatin1(c.name), c.type);
    return QStringLiteral("INSERT INTO reg01_records (") + names.join(QStringLiteral(", "))
           + QStringLiteral(") SELECT * FROM unnest(") + arrays.join(QStringLiteral(", "))
           + QStringLiteral(") ON CONFLICT (station, seq) DO NOTHING");
}

// Every local record after an id with what it carries, whatever its kind.
QString localSelect()
{
    QStringList values;
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        values << QStringLiteral("res.v%1").arg(k);
    return QStringLiteral(
               "SELECT r.id, r.station, r.seq, r.uid, r.kind, "
               "COALESCE(res.at_ms, lc.at_ms, fe.at_ms), "
               "COALESCE(res.at_iso, lc.at_iso, fe.at_iso), res.model, res.port, res.device, "
               "res.date_text, res.time_text, res.grp, res.label, lc.new_text, res.cells, "
               "res.raw, ")
           + values.join(QStringLiteral(", "))
           + QStringLiteral(", rr.seq, lc.row_no, lc.old_text, lc.new_text, lc.os_user, "
                            "COALESCE(lc.file_name, fe.file_name), fe.event, fe.row_count "
                            "FROM records r LEFT JOIN results res ON res.id = r.id "
                            "LEFT JOIN label_changes lc ON lc.id = r.id "
                            "LEFT JOIN records rr ON rr.id = lc.result_id "
                            "LEFT JOIN file_events fe ON fe.id = r.id "
                            "WHERE r.id > ? ORDER BY r.id LIMIT ?");
}

QString firstLine(const QSqlError &e)
{
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.text().trimmed();
    return ServerConfig::redacted(text.section(QLatin1Char('\n'), 0, 0));
}

} // namespace

ServerLink::ServerLink(const QString &archivePath, const QString &conninfo, const Limits &limits,
                       std::shared_ptr<StatementGuard> guard)
    : m_archivePath(archivePath)
    , m_conninfo(ConnInfo::withBounds(ServerConfig::withoutPassword(conninfo), limits.bounds))
    , m_limits(limits)
    , m_localName(QStringLiteral("server-local-%1").arg(quintptr(this)))
    , m_serverName(QStringLiteral("server-pg-%1").arg(quintptr(this)))
    , m_guard(std::move(guard))
{}

ServerLink::~ServerLink() = default;

void ServerLink::start()
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ServerLink::turn);
    schedule(0);
}

void ServerLink::nudge()
{
    if (m_timer && m_retryMs == 0)
        schedule(0);
}

void ServerLink::schedule(int ms)
{
    if (m_timer && !m_stopping)
        m_timer->start(ms);
}

// The first local record the server lacks: per station, the one after the highest number the
// server holds. Records before it of other stations are already there and are skipped.
bool ServerLink::findCursor(QString *error)
{
    QSqlDatabase local = QSqlDatabase::database(m_localName, false);
    QSqlQuery stations(local);
    stations.setForwardOnly(true);
    if (!stations.exec(QStringLiteral("SELECT DISTINCT station FROM records"))) {
        *error = QStringLiteral("архив: ") + stations.lastError().text();
        return false;
    }
    QSqlQuery high(QSqlDatabase::database(m_serverName, false));
    QSqlQuery first(local);
    if (!high.prepare(QStringLiteral("SELECT COALESCE(max(seq), 0) FROM reg01_records "
                                     "WHERE station = ?"))
        || !first.prepare(QStringLiteral("SELECT COALESCE(min(id) - 1, ?) FROM records "
                                         "WHERE station = ? AND seq > ?"))) {
        *error = firstLine(high.lastError());
        return false;
    }
    qint64 cursor = -1;
    const qint64 top = localCount(-1);
    while (stations.next()) {
        high.addBindValue(stations.value(0));
        if (!high.exec() || !high.next()) {
            *error = firstLine(high.lastError());
            return false;
        }
        if (!sameRecordAt(stations.value(0).toString(), high.value(0).toLongLong(), error))
            return false;
        first.addBindValue(top);
        first.addBindValue(stations.value(0));
        first.addBindValue(high.value(0));
        if (!first.exec() || !first.next())
            return false;
        const qint64 at = first.value(0).toLongLong();
        cursor = cursor < 0 ? at : std::min(cursor, at);
    }
    m_cursor = std::max<qint64>(cursor, 0);
    m_cursorKnown = true;
    return true;
}

// The server's newest record of a station must be this archive's record of that number: were
// it another archive's (a second copy of the program under the same station name), every
// record of ours up to that number would be taken as sent and never reach the server.
bool ServerLink::sameRecordAt(const QString &station, qint64 seq, QString *error)
{
    if (seq <= 0)
        return true;
    QSqlQuery theirs(QSqlDatabase::database(m_serverName, false));
    QSqlQuery ours(QSqlDatabase::database(m_localName, false));
    if (!theirs.prepare(QStringLiteral("SELECT uid FROM reg01_records WHERE station = ? "
                                       "AND seq = ?"))
        || !ours.prepare(QStringLiteral("SELECT uid FROM records WHERE station = ? AND seq = ?"))) {
        *error = firstLine(theirs.lastError());
        return false;
    }
    theirs.addBindValue(station);
    theirs.addBindValue(seq);
    ours.addBindValue(station);
    ours.addBindValue(seq);
    if (!theirs.exec() || !theirs.next()) {
        *error = firstLine(theirs.lastError());
        return false;
    }
    if (!ours.exec()) {
        *error = QStringLiteral("архив: ") + ours.lastError().text();
        return false;
    }
    const QString mine = ours.next() ? QUuid::fromRfc4122(ours.value(0).toByteArray())
                                           .toString(QUuid::WithoutBraces)
                                     : QString();
    if (mine == theirs.value(0).toString())
        return true;
    *error = QStringLiteral("станция «%1» на сервере ведёт другой архив; задайте этой станции "
                            "своё имя (Station в разделе Archive)")
                 .arg(station);
    return false;
}

int ServerLink::sendBatch(QString *error)
{
    QSqlDatabase local = QSqlDatabase::database(m_localName, false);
    QSqlQuery read(local);
    read.setForwardOnly(true);
    if (!read.prepare(localSelect())) {
        *error = QStringLiteral("архив: ") + read.lastError().text();
        return -1;
    }
    read.addBindValue(m_cursor);
    read.addBindValue(m_limits.batch);
    if (!read.exec()) {
        *error = QStringLiteral("архив: ") + read.lastError().text();
        return -1;
    }
    std::vector<PgArray> columns = emptyColumns();
    qint64 lastId = m_cursor;
    int rows = 0;
    while (read.next()) {
        lastId = read.value(0).toLongLong();
        ++rows;
        const bool result = read.value(1 + KindAt).toString() == QLatin1String("result");
        for (int c = 0; c < ColumnCount; ++c) {
            QVariant v = read.value(1 + c);
            if (c == UidAt) {
                v = QUuid::fromRfc4122(v.toByteArray()).toString(QUuid::WithoutBraces);
            } else if (c == FoldedAt) {
                // The folded text the search looks in: the label, or the new label of a change.
                const QVariant label = result ? read.value(1 + LabelAt) : v;
                v = label.isNull() ? QVariant()
                                   : QVariant(ArchiveSchema::foldLabel(label.toString()));
            }
            columns[size_t(c)].append(v);
        }
    }
    read.finish();
    if (rows == 0)
        return 0;
    QSqlQuery insert(QSqlDatabase::database(m_serverName, false));
    if (!insert.prepare(insertSql())) {
        *error = firstLine(insert.lastError());
        return -1;
    }
    for (const PgArray &column : columns)
        insert.addBindValue(column.literal());
    if (!insert.exec()) {
        *error = firstLine(insert.lastError());
        return -1;
    }
    m_cursor = lastId;
    return rows;
}

// Records are never removed and numbered in writing order, so what lies after an id is the
// highest id less that one (a write rolled back may leave a gap: the count is then a little
// high). afterId < 0: the highest id.
qint64 ServerLink::localCount(qint64 afterId)
{
    QSqlQuery q(QSqlDatabase::database(m_localName, false));
    const qint64 top = q.exec(QStringLiteral("SELECT COALESCE(max(id), 0) FROM records"))
                               && q.next()
                           ? q.value(0).toLongLong()
                           : 0;
    return afterId < 0 ? top : std::max<qint64>(top - afterId, 0);
}

void ServerLink::turn()
{
    if (m_stopping)
        return;
    QString error;
    if (!connectLocal(&error)) {
        emit progress(false, 0, error);
        schedule(m_limits.longestRetryMs);
        return;
    }
    const qint64 top = localCount(-1);
    const bool idle = m_serverReady && m_cursorKnown && top == m_lastSeen && m_cursor >= top;
    if (idle && m_contact.isValid() && m_contact.elapsed() < m_limits.probeMs) {
        schedule(m_limits.idleMs);
        return;
    }
    // New records wait: the status says so before a send that may not come back soon.
    if (m_serverReady && m_cursorKnown && m_cursor < top)
        emit progress(true, localCount(m_cursor), QString());
    m_guard->arm(m_limits.statementBoundMs());
    bool ok = connectServer(&error) && (m_cursorKnown || findCursor(&error))
              && (!idle || probe(&error));
    int sent = 0;
    while (ok && !m_stopping) {
        m_guard->arm(m_limits.statementBoundMs());
        sent = sendBatch(&error);
        if (sent <= 0)
            break;
        emit progress(true, localCount(m_cursor), QString());
    }
    m_guard->disarm();
    ok = ok && sent == 0;
    if (ok) {
        m_contact.start();
        m_lastSeen = top;
        m_retryMs = 0;
        emit progress(true, localCount(m_cursor), QString());
        schedule(m_limits.idleMs);
        return;
    }
    if (m_guard->wasCut())
        error = Str::ServerNoAnswer.arg(m_limits.statementBoundMs() / 1000.0, 0, 'g', 3);
    if (error.startsWith(QStringLiteral("архив: "))) {
        QSqlDatabase::database(m_localName, false).close();
    } else {
        dropServer();
    }
    emit progress(false, localCount(m_cursor), error);
    m_retryMs = m_retryMs == 0 ? m_limits.firstRetryMs
                               : std::min(m_retryMs * 2, m_limits.longestRetryMs);
    schedule(m_retryMs);
}
