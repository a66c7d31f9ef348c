#include "server/ServerLink.h"

#include <algorithm>

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "archive/ArchiveIdentity.h"
#include "server/ServerConfig.h"
#include "server/ServerSchema.h"
#include "server/StatementGuard.h"
#include "server/TServerBatch.h"
#include "text/ServerStrings.h"

ServerLink::ServerLink(const QString &archivePath, const QString &conninfo, const Limits &limits,
                       std::shared_ptr<StatementGuard> guard)
    : m_archivePath(archivePath)
    , m_conninfo(ConnInfo::withBounds(ServerConfig::withoutPassword(conninfo), limits.bounds))
    , m_limits(limits)
    , m_guard(std::move(guard))
{}

// A link whose thread was left to end on its own goes without its shutdown: its connections
// go here, on that thread, instead of staying behind under their names.
ServerLink::~ServerLink()
{
    shutdown();
}

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
bool ServerLink::findCursor(ServerError *error)
{
    QSqlDatabase local = m_local.database();
    QSqlQuery stations(local);
    stations.setForwardOnly(true);
    if (!stations.exec(QStringLiteral("SELECT DISTINCT station FROM records"))) {
        *error = ServerError::archive(stations.lastError());
        return false;
    }
    m_identity = ArchiveIdentity::of(local);
    m_stations = {};
    m_stations.active = m_serverHolders && !m_identity.isEmpty();
    QSqlQuery first(local);
    if (!first.prepare(QStringLiteral("SELECT COALESCE(min(id) - 1, ?) FROM records "
                                      "WHERE station = ? AND seq > ?"))) {
        *error = ServerError::archive(first.lastError());
        return false;
    }
    qint64 cursor = -1;
    const qint64 top = localCount(-1);
    while (stations.next()) {
        const QString station = stations.value(0).toString();
        qint64 high = 0;
        if (!highOnServer(station, &high, error))
            return false;
        if (m_stations.active) {
            if (!decide(station, high, error))
                return false;
            if (m_stations.held.count(station) > 0)
                continue; // never sent: the cursor does not wait for them
        } else if (!sameRecordAt(station, high, error)) {
            return false;
        }
        // Records an administrator deleted below the newest go again first.
        for (int sent = 1; sent > 0;) {
            sent = TServerBatch(m_local.name(), m_server.name())
                       .resendMissing(station, m_limits.batch, error);
            if (sent < 0)
                return false;
        }
        first.addBindValue(top);
        first.addBindValue(station);
        first.addBindValue(high);
        if (!first.exec() || !first.next()) {
            *error = ServerError::archive(first.lastError());
            return false;
        }
        const qint64 at = first.value(0).toLongLong();
        cursor = cursor < 0 ? at : std::min(cursor, at);
    }
    m_cursor = std::max<qint64>(cursor < 0 && m_stations.active ? top : cursor, 0);
    if (!findReceptionCursors(error))
        return false;
    m_cursorKnown = true;
    m_sinceAudit.start();
    tellStations();
    return true;
}

int ServerLink::sendBatch(ServerError *error)
{
    TServerBatch batch(m_local.name(), m_server.name());
    batch.setStations(&m_stations);
    qint64 lastId = m_cursor;
    const int rows = batch.sendAfter(m_cursor, m_limits.batch, &lastId, error);
    if (rows < 0)
        return -1;
    m_cursor = std::max(m_cursor, lastId);
    // A station first written after the last look: decided now, then the batch goes on.
    const QString station = batch.undecided();
    if (!station.isEmpty()) {
        qint64 high = 0;
        if (!highOnServer(station, &high, error) || !decide(station, high, error))
            return -1;
        tellStations();
        return rows + 1;
    }
    return rows + batch.passed();
}

// Records are never removed and numbered in writing order, so what lies after an id is the
// highest id less that one (a write rolled back may leave a gap: the count is then a little
// high). afterId < 0: the highest id.
qint64 ServerLink::localCount(qint64 afterId)
{
    QSqlQuery q(m_local.database());
    const qint64 top = q.exec(QStringLiteral("SELECT COALESCE(max(id), 0) FROM records"))
                               && q.next()
                           ? q.value(0).toLongLong()
                           : 0;
    if (afterId < 0 || m_stations.held.empty())
        return afterId < 0 ? top : std::max<qint64>(top - afterId, 0);
    // Records held back are not waiting: counted out.
    QStringList marks;
    for (size_t k = 0; k < m_stations.held.size(); ++k)
        marks << QStringLiteral("?");
    q.prepare(QStringLiteral("SELECT count(*) FROM records WHERE id > ? AND station NOT IN (%1)")
                  .arg(marks.join(QLatin1Char(','))));
    q.addBindValue(afterId);
    for (const QString &station : m_stations.held)
        q.addBindValue(station);
    return q.exec() && q.next() ? q.value(0).toLongLong() : 0;
}

void ServerLink::turn()
{
    if (m_stopping)
        return;
    ServerError error;
    if (!connectLocal(&error)) {
        emit progress(false, 0, error);
        schedule(m_limits.longestRetryMs);
        return;
    }
    const qint64 top = localCount(-1);
    const qint64 receptionTop = this->receptionTop();
    // Now and then what the server holds is looked over again, as at connecting.
    if (m_cursorKnown && m_sinceAudit.isValid() && m_sinceAudit.elapsed() >= m_limits.auditMs)
        m_cursorKnown = false;
    const bool idle = m_serverReady && m_cursorKnown && top == m_lastSeen && m_cursor >= top
                      && receptionTop == m_receptionSeen;
    if (idle && m_contact.isValid() && m_contact.elapsed() < m_limits.probeMs) {
        schedule(m_limits.idleMs);
        return;
    }
    // New records wait: the status says so before a send that may not come back soon.
    if (m_serverReady && m_cursorKnown && m_cursor < top)
        emit progress(true, localCount(m_cursor), ServerError());
    m_guard->arm(m_limits.statementBoundMs());
    bool ok = connectServer(&error) && (m_cursorKnown || findCursor(&error))
              && (!idle || probe(&error));
    int sent = 0;
    while (ok && !m_stopping) {
        m_guard->arm(m_limits.statementBoundMs());
        sent = sendBatch(&error);
        if (sent <= 0)
            break;
        emit progress(true, localCount(m_cursor), ServerError());
    }
    // The reception rows once the records are all there.
    while (ok && sent == 0 && !m_stopping) {
        m_guard->arm(m_limits.statementBoundMs());
        const int rows = sendReception(&error);
        if (rows <= 0) {
            sent = rows;
            break;
        }
    }
    m_guard->disarm();
    ok = ok && sent == 0;
    if (ok) {
        m_contact.start();
        m_lastSeen = top;
        m_receptionSeen = receptionTop;
        m_retryMs = 0;
        emit progress(true, localCount(m_cursor), ServerError());
        schedule(m_limits.idleMs);
        return;
    }
    if (m_guard->wasCut())
        error = ServerError::server(
            Str::ServerNoAnswer.arg(m_limits.statementBoundMs() / 1000.0, 0, 'g', 3));
    // The archive file is opened again; the server is left alone.
    if (error.kind == ServerError::Kind::archive)
        m_local.close();
    else
        dropServer();
    emit progress(false, localCount(m_cursor), error);
    m_retryMs = m_retryMs == 0 ? m_limits.firstRetryMs
                               : std::min(m_retryMs * 2, m_limits.longestRetryMs);
    schedule(m_retryMs);
}
