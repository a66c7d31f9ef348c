#pragma once

// Milk reception on the server, made by ServerSchema in version 5: the suppliers, the rate
// tables and the deliveries of every station (reg01_suppliers, reg01_rate_tables,
// reg01_deliveries), each row keyed by its station and its id in the station's archive, so a
// row sent twice is stored once. The columns are the archive's (ReceptionStore); decimals kept
// there as exact text are NUMERIC here, a delivery's result is its uid as reg01_records
// writes it. Every role may read the rows and add some, but only under a station it may write
// records under (the policy of reg01_records).
//
// reg01_deliveries_named shows the newest row of each station's result under plain names, so
// a month's totals per supplier are one SELECT.

#include <QString>
#include <QStringList>
#include <vector>

namespace ServerReceptionTables {

enum class Kind {
    Text,    // text as it stands
    Integer, // bigint
    Decimal, // exact text locally, numeric on the server
    Uid,     // 16 bytes locally, "xxxxxxxx-xxxx-…" on the server
};

struct Column
{
    QString name;
    Kind kind;
};

struct Table
{
    QString local;               // "deliveries"
    QString server;              // "reg01_deliveries"
    std::vector<Column> columns; // the archive's, id first
};

// The three tables, in the order they are sent: a delivery names a rate table's row.
const std::vector<Table> &tables();

inline const QString NamedView = QStringLiteral("reg01_deliveries_named");

// The statements that take the server from version 4 to version 5.
QStringList version5();

} // namespace ServerReceptionTables
