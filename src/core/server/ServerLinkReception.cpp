// ServerLink's milk reception: the station its rows go under and, per table, the highest id
// the server holds of it, found with the records' cursor; then the rows after it, a table's
// batch at a time.

#include "server/ServerLink.h"

#include <QSqlQuery>
#include <QVariant>

#include "server/ServerReceptionTables.h"
#include "server/TServerReceptionBatch.h"

bool ServerLink::findReceptionCursors(ServerError *error)
{
    const auto &tables = ServerReceptionTables::tables();
    m_receptionStation.clear();
    m_receptionCursors.assign(tables.size(), -1);
    if (!m_serverReception)
        return true;
    // The archive's first record names the station: it stays the same for the file's life, so
    // a row never goes under two names.
    QSqlQuery first(m_local.database());
    if (!first.exec(QStringLiteral("SELECT station FROM records ORDER BY id LIMIT 1")))
        return true;
    if (!first.next())
        return true;
    const QString station = first.value(0).toString();
    if (m_stations.active && m_stations.sending.count(station) == 0)
        return true; // held back: its reception stays here with its records
    TServerReceptionBatch batch(m_local.name(), m_server.name(), station);
    for (size_t k = 0; k < tables.size(); ++k) {
        if (!TServerReceptionBatch::present(m_local.database(), tables[k].local))
            continue;
        m_receptionCursors[k] = batch.highOnServer(tables[k], error);
        if (m_receptionCursors[k] < 0)
            return false;
    }
    m_receptionStation = station;
    return true;
}

int ServerLink::sendReception(ServerError *error)
{
    // An archive without records at the last look may have its first one now.
    if (m_receptionStation.isEmpty() && !findReceptionCursors(error))
        return -1;
    if (m_receptionStation.isEmpty())
        return 0;
    const auto &tables = ServerReceptionTables::tables();
    TServerReceptionBatch batch(m_local.name(), m_server.name(), m_receptionStation);
    int rows = 0;
    for (size_t k = 0; k < tables.size(); ++k) {
        if (m_receptionCursors[k] < 0)
            continue;
        qint64 lastId = m_receptionCursors[k];
        const int sent = batch.sendAfter(tables[k], m_receptionCursors[k], m_limits.batch, &lastId,
                                         error);
        if (sent < 0)
            return -1;
        m_receptionCursors[k] = lastId;
        rows += sent;
    }
    return rows;
}

qint64 ServerLink::receptionTop()
{
    qint64 sum = 0;
    QSqlQuery q(m_local.database());
    for (const ServerReceptionTables::Table &t : ServerReceptionTables::tables()) {
        if (q.exec(QStringLiteral("SELECT COALESCE(max(id), 0) FROM %1").arg(t.local)) && q.next())
            sum += q.value(0).toLongLong();
    }
    return sum;
}
