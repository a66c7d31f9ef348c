#include "server/ServerStations.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "server/ServerMessages.h"
#include "server/TServerBatch.h"

namespace ServerStations {

QStringList tables(int version)
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS reg01_station_archives ("
                       "station text PRIMARY KEY, archive text NOT NULL, "
                       "first_seen timestamptz NOT NULL DEFAULT now())"),
        QStringLiteral("ALTER TABLE reg01_station_archives ENABLE ROW LEVEL SECURITY"),
        // A table left from before (its schema row dropped by hand) keeps its holders.
        QStringLiteral("DROP POLICY IF EXISTS reg01_holders_read ON reg01_station_archives"),
        QStringLiteral("DROP POLICY IF EXISTS reg01_holders_add ON reg01_station_archives"),
        QStringLiteral("CREATE POLICY reg01_holders_read ON reg01_station_archives FOR SELECT "
                       "USING (true)"),
        QStringLiteral("CREATE POLICY reg01_holders_add ON reg01_station_archives FOR INSERT "
                       "WITH CHECK (reg01_may_write(current_user, station))"),
        QStringLiteral("GRANT SELECT, INSERT ON reg01_station_archives TO PUBLIC"),
        QStringLiteral("UPDATE reg01_schema SET version = %1").arg(version),
    };
}

bool holder(const QSqlDatabase &db, const QString &station, QString *archive, QString *error)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("SELECT archive FROM reg01_station_archives "
                                  "WHERE station = ?"))) {
        *error = ServerMessages::firstLine(q.lastError());
        return false;
    }
    q.addBindValue(station);
    if (!q.exec()) {
        *error = ServerMessages::firstLine(q.lastError());
        return false;
    }
    *archive = q.next() ? q.value(0).toString() : QString();
    return true;
}

bool claim(const QSqlDatabase &db, const QString &station, QString *archive, QString *error)
{
    QSqlQuery q(db);
    // Two archives claiming at once: the key lets one in, the other finds it holding.
    if (!q.prepare(QStringLiteral("INSERT INTO reg01_station_archives (station, archive) "
                                  "VALUES (?, ?) ON CONFLICT (station) DO NOTHING"))) {
        *error = ServerMessages::firstLine(q.lastError());
        return false;
    }
    q.addBindValue(station);
    q.addBindValue(*archive);
    if (!q.exec()) {
        *error = TServerBatch::serverError(q.lastError(), station);
        return false;
    }
    return holder(db, station, archive, error);
}

} // namespace ServerStations
