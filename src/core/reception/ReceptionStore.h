#pragma once

// Milk reception in the archive: the supplier register, the rate tables and the deliveries,
// each append-only (triggers refuse a change or a removal). A supplier's change is a new
// version of its code; a rate table is a new version from its start; a delivery typed again
// is a new row for the same result that supersedes the older. Decimals are kept as their
// exact text with a point ("1028.50").

#include <optional>

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <QUuid>

#include "reception/Delivery.h"
#include "reception/RateHistory.h"
#include "reception/Supplier.h"

namespace ReceptionStore {

// The tables of the schema step that adds reception, and those never changed.
QStringList tables();
QStringList appendOnlyTables();

// Keeps a new version of the supplier (its version is the next for its code); the version
// kept, or 0 with the error.
int addSupplier(const QSqlDatabase &db, const Supplier &supplier, const QString &osUser,
                const QDateTime &at, QSqlError *error);
// The latest version of every code, by code.
QList<Supplier> suppliers(const QSqlDatabase &db, QSqlError *error);
// Every version of one code, the first first.
QList<Supplier> supplierHistory(const QSqlDatabase &db, const QString &code, QSqlError *error);

// Keeps a rate table version (from its CSV text, which is kept as imported); its id, or 0.
qint64 addRateTable(const QSqlDatabase &db, const RateTable &table, const QString &csv,
                    const QString &osUser, const QDateTime &at, QSqlError *error);
RateHistory rateHistory(const QSqlDatabase &db, QSqlError *error);

// Keeps a worked-out delivery of a result; the row's id, or 0.
qint64 addDelivery(const QSqlDatabase &db, const QUuid &result, const Delivery &delivery,
                   int supplierVersion, const QString &osUser, const QDateTime &at,
                   QSqlError *error);
// The deliveries from `from` up to but not including `to`, the latest row of each result,
// in time order; of one supplier when `code` is not empty.
QList<Delivery> deliveries(const QSqlDatabase &db, const QDateTime &from, const QDateTime &to,
                           const QString &code, QSqlError *error);
// The same from another SELECT of those columns in that order (the decimals as their text):
// its %1 takes the supplier's condition, then come the bounds' two parameters.
QList<Delivery> deliveriesOf(const QSqlDatabase &db, const QString &select, const QDateTime &from,
                             const QDateTime &to, const QString &code, QSqlError *error);

// The delivery of one result as it counts (its newest row); none when it has none.
std::optional<Delivery> deliveryOf(const QSqlDatabase &db, const QUuid &result, QSqlError *error);

} // namespace ReceptionStore
