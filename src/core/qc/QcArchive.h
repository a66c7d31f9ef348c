#pragma once

// Writes the quality-control rows of the archive (ArchiveQcTables) through the archive's
// open connection, each at once and on its own: an evaluation, the results a rejection held,
// the operator's action. Reads back the last action, so a rejection answered before the
// program was started again is not held anew.

#include <optional>

#include <QSqlDatabase>
#include <QSqlError>
#include <QUuid>

#include "qc/QcHolds.h"

namespace QcArchive {

// The state's verdict with each judged column's value, z-score and rules; the id of the row,
// -1 on error. `control` is the judged control's result, null when not known.
qint64 writeEvaluation(const QSqlDatabase &db, const QcState &state,
                       const ControlMaterial &material, const QUuid &control, const QDateTime &now,
                       QSqlError *error);
bool writeHold(const QSqlDatabase &db, const QUuid &result, qint64 evaluation, const QDateTime &now,
               QSqlError *error);
// The action that released `hold` (none: an action with nothing held); its row id, -1 on
// error.
qint64 writeAction(const QSqlDatabase &db, const QString &osUser, const QString &comment,
                   const std::optional<QcHold> &hold, qint64 evaluation, const QDateTime &at,
                   QSqlError *error);
// The hold the newest action released: its rejecting control and the action's time.
std::optional<QcHold> lastRelease(const QSqlDatabase &db);

} // namespace QcArchive
