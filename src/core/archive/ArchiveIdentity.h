#pragma once

// The archive file's own identity: a uid made once, when the file first takes this step, and
// kept in the file for good (a table of one row that is never changed). It tells the server
// which archive sends, so that two copies of the program under one station name are told
// apart by who they are rather than by what their newest records hold. A file made anew from
// a damaged one keeps the identity of the one it came from (ArchiveRebuild).

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

namespace ArchiveIdentity {

inline const QString Table = QStringLiteral("archive_identity");

// The statements of the schema step that adds the table, its row made by make().
QStringList tables();
// Writes the file's identity, a new uid, when it has none. Inside the step's transaction.
bool make(const QSqlDatabase &db, QSqlError *error);
// The file's identity ("xxxxxxxx-xxxx-…", lower case); empty when the file has none (a file
// of an older version, or the table unreadable).
QString of(const QSqlDatabase &db);

} // namespace ArchiveIdentity
