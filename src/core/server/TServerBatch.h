#pragma once

// Sends local archive records to the server, one statement per batch, and makes sure they
// arrived. Before a record goes, its hash is recomputed from what the archive holds and its
// link to the station's record before it compared: the first record that does not fit stops
// the batch there, so nothing past a break in a chain leaves the station. After the statement
// the server is asked, per station, how many of the batch's numbers it holds and the hash of
// the last: anything short of what was sent is an error, and the records go again.
//
// Works through two connections the caller opened (by name), on the caller's thread.

#include <set>

#include <QString>

#include "server/ServerError.h"

class QSqlError;
class QSqlQuery;

class TServerBatch
{
public:
    TServerBatch(const QString &localConnection, const QString &serverConnection);

    // Where the server knows which archive holds which station name: the stations whose records
    // go, and those held back (passed over, never sent). A record of a station in neither ends
    // the batch before it, for the caller to decide (undecided()).
    struct Stations
    {
        bool active = false;
        std::set<QString> sending;
        std::set<QString> held;
    };
    void setStations(const Stations *stations) { m_stations = stations; }
    QString undecided() const { return m_undecided; }
    int passed() const { return m_passed; } // held-back records the last batch went past

    // The records after ledger id `cursor`, at most `limit`. Returns how many were sent (0:
    // none waits), -1 with the error; *lastId is the last id sent.
    int sendAfter(qint64 cursor, int limit, qint64 *lastId, ServerError *error);
    // The records of a station the server lacks below the highest number it holds of it (an
    // administrator deleted them): sent again. Returns how many, -1 with the error.
    int resendMissing(const QString &station, int limit, ServerError *error);

    // An error of the server's, in words for the status bar.
    static QString serverError(const QSqlError &e, const QString &station);

private:
    int send(QSqlQuery &read, qint64 *lastId, ServerError *error);

    QString m_local;
    QString m_server;
    const Stations *m_stations = nullptr;
    QString m_undecided;
    int m_passed = 0;
};
