#pragma once

// The server's half of the tamper evidence and of the stations' rights, made by ServerSchema
// in version 2:
// - reg01_records gains prev and hash, each record's place in its station's hash chain
//   (TArchiveChain); the records a version-1 server holds are chained where they stand;
// - reg01_record_bytes(row) writes a record's canonical bytes, reg01_record_hash(row) its hash;
// - a trigger refuses a record that does not continue its station's chain (its prev is not
//   the hash of the station's record before it, or its hash is not the hash of what it holds),
//   and a record under a number the station already holds with other contents; the same
//   record sent again is skipped;
// - row-level security lets a role add rows only under a station bound to it: a row of
//   reg01_station_roles (role, station), or the station named like the role. The tables'
//   owner is exempt, as PostgreSQL makes it.

#include <QString>
#include <QStringList>

namespace ServerChain {

// The SQLSTATEs the trigger raises.
inline const QString ConflictState = QStringLiteral("RG001");
inline const QString ChainState = QStringLiteral("RG002");
// PostgreSQL's own, for a row the policy refuses.
inline const QString PolicyState = QStringLiteral("42501");

// The statements that take the tables from version 1 to version 2.
QStringList version2();

} // namespace ServerChain
