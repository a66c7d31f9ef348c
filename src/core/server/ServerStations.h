#pragma once

// Which archive holds which station name on the server. Each local archive has an identity of
// its own (ArchiveIdentity); the first archive to send under a station name holds it
// (reg01_station_archives: station, archive, first seen), and another archive's records under
// that name are never sent, only held back in their own file. A name already on a server that
// knew no holders goes to the archive whose record is the server's newest of it.
//
// Every role may read the holders and add one, but only for a station it may write records
// under (the same policy as reg01_records): nothing for an administrator to grant.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace ServerStations {

// The statements of the schema step that adds the holders, the step numbered `version`.
QStringList tables(int version);

// The archive that holds the station: empty when none does yet. False with the error.
bool holder(const QSqlDatabase &db, const QString &station, QString *archive, QString *error);
// Makes `archive` the station's holder unless another is one already; *archive is then the
// holder found. False with the error.
bool claim(const QSqlDatabase &db, const QString &station, QString *archive, QString *error);

} // namespace ServerStations
