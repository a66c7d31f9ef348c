#pragma once

// Sends one station's milk reception rows to the server, a batch of one table in one
// statement: the rows after the highest id the server holds of the station in that table.
// The server skips a row it already holds (same station and id), so a batch sent again after
// a lost acknowledgement changes nothing. After the statement the server is asked how many of
// the batch's ids it holds: anything short of what was sent is an error, and the rows go again.
//
// Works through two connections the caller opened (by name), on the caller's thread.

#include <QSqlDatabase>
#include <QString>

#include "server/ServerError.h"
#include "server/ServerReceptionTables.h"

class TServerReceptionBatch
{
public:
    TServerReceptionBatch(const QString &localConnection, const QString &serverConnection,
                          const QString &station);

    // Whether the archive has the table: one of an older schema has none.
    static bool present(const QSqlDatabase &local, const QString &table);
    // The highest id of the table the server holds of the station, 0 for none; -1 with the error.
    qint64 highOnServer(const ServerReceptionTables::Table &table, ServerError *error) const;
    // The rows after id `cursor`, at most `limit`. Returns how many were sent (0: none waits),
    // -1 with the error; *lastId is the last id sent.
    int sendAfter(const ServerReceptionTables::Table &table, qint64 cursor, int limit,
                  qint64 *lastId, ServerError *error) const;

private:
    QString m_local;
    QString m_server;
    QString m_station;
};
