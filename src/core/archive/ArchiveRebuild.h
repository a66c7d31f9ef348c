#pragma once

// A new archive made from what can still be read of a damaged one. The old file is read
// through the connection that had it open (which still reaches a file deleted or moved under
// it), record by record where a whole range cannot be read.

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace ArchiveRebuild {

// Makes a new archive at `to` and copies into it every row of `from` that can be read, up to
// record id `lastId` at least. The records copied, or -1 with the error when the new file
// cannot be made.
qint64 copyInto(const QSqlDatabase &from, const QString &to, qint64 lastId, QSqlError *error);

// The name beside path that a damaged archive is moved to: "reg01.sqlite.damaged-20250301-101530".
QString asideName(const QString &path, const QDateTime &at);

// Moves whatever of the archive stands at path (the file, its -wal and -shm) to `aside`.
// False when a part that is there could not be moved.
bool moveAside(const QString &path, const QString &aside);

} // namespace ArchiveRebuild
