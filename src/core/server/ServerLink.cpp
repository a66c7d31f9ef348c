#include "server/ServerLink.h"

#include <algorithm>
#include <vector>

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include "server/ServerConfig.h"
#include "server/ServerSchema.h"
#include "server/StatementGuard.h"
#include "server/TServerBatch.h"
#include "text/ChainStrings.h"
#include "text/ServerStrings.h"

namespace {

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
        // Records an administrator deleted below the newest go again first.
        for (int sent = 1; sent > 0;) {
            sent = TServerBatch(m_localName, m_serverName)
                       .resendMissing(stations.value(0).toString(), m_limits.batch, error);
            if (sent < 0)
                return false;
        }
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
    m_sinceAudit.start();
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
    if (!theirs.prepare(QStringLiteral("SELECT uid, hash FROM reg01_records WHERE station = ? "
                                       "AND seq = ?"))
        || !ours.prepare(QStringLiteral("SELECT r.uid, c.hash FROM records r LEFT JOIN "
                                        "record_chain c ON c.id = r.id "
                                        "WHERE r.station = ? AND r.seq = ?"))) {
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
    const bool held = ours.next();
    const QString mine = held ? QUuid::fromRfc4122(ours.value(0).toByteArray())
                                    .toString(QUuid::WithoutBraces)
                              : QString();
    // Our record under our uid, but not as we wrote it: never taken as sent.
    if (mine == theirs.value(0).toString() && ours.value(1) != theirs.value(1)) {
        *error = Str::ServerConflict.arg(station).arg(seq);
        return false;
    }
    if (mine == theirs.value(0).toString())
        return true;
    *error = QStringLiteral("станция «%1» на сервере ведёт другой архив; задайте этой станции "
                            "своё имя (Station в разделе Archive)")
                 .arg(station);
    return false;
}

int ServerLink::sendBatch(QString *error)
{
    qint64 lastId = m_cursor;
    const int rows = TServerBatch(m_localName, m_serverName)
                         .sendAfter(m_cursor, m_limits.batch, &lastId, error);
    if (rows > 0)
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
    // Now and then what the server holds is looked over again, as at connecting.
    if (m_cursorKnown && m_sinceAudit.isValid() && m_sinceAudit.elapsed() >= m_limits.auditMs)
        m_cursorKnown = false;
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
