#pragma once

// Milk reception read back from the server, for the reports across stations: the same
// deliveries ReceptionStore gives from the archive, of every station the server holds.

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include "reception/Delivery.h"

namespace ServerReception {

// The deliveries from `from` up to but not including `to`, the newest row of each station's
// result, in time order; of one supplier when `code` is not empty.
QList<Delivery> deliveries(const QSqlDatabase &db, const QDateTime &from, const QDateTime &to,
                           const QString &code, QSqlError *error);

} // namespace ServerReception
