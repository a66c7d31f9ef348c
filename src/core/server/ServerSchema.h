#pragma once

// The archive's tables on the PostgreSQL server, made and brought up to date by the program.
// One table holds the records of every station, keyed by station and the station's own running
// number, so a record sent twice is stored once. The version lives in reg01_schema.
//
// Version 1: reg01_records.
// Version 2: each record's hash chain, checked on insert; rows only under the role's own
//            stations (ServerChain).
// Version 3: the limits each result was judged by (limits_checked, limits_outside: bit k for
//            value k) and reg01_views, the named-column views as last made (ArchiveViews).
// Version 4: which local archive holds which station name (ServerStations).
// Version 5: milk reception, the suppliers, rate tables and deliveries of every station, and
//            reg01_deliveries_named (ServerReceptionTables).
//
// When the tables are current, only SELECT on reg01_schema is needed to find that out: a
// station's role needs no right to change the tables.

#include <QSqlDatabase>
#include <QSqlError>

namespace ServerSchema {

constexpr int Version = 5;
// The version from which the server knows which archive holds which station name.
constexpr int HoldersVersion = 4;
// The version from which the server keeps milk reception.
constexpr int ReceptionVersion = 5;

// The version on the server; 0 when the tables are not there yet, -1 on failure.
int version(const QSqlDatabase &db, QSqlError *error);
// Brings the tables to `target` (at most Version), holding a lock so two stations never
// migrate at once.
bool migrate(const QSqlDatabase &db, QSqlError *error, int target = Version);

} // namespace ServerSchema
