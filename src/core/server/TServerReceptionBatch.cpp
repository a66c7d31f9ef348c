#include "server/TServerReceptionBatch.h"

#include <vector>

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include "server/PgArray.h"
#include "server/ServerMessages.h"
#include "server/TServerBatch.h"
#include "text/ChainStrings.h"

namespace {

using Kind = ServerReceptionTables::Kind;

PgArray::Type arrayType(Kind kind)
{
    return kind == Kind::Integer ? PgArray::Type::BigInt : PgArray::Type::Text;
}

QString arrayCast(Kind kind)
{
    switch (kind) {
    case Kind::Integer:
        return QStringLiteral("bigint[]");
    case Kind::Decimal:
        return QStringLiteral("numeric[]");
    case Kind::Text:
    case Kind::Uid:
        break;
    }
    return QStringLiteral("text[]");
}

QString names(const ServerReceptionTables::Table &t)
{
    QStringList out;
    for (const ServerReceptionTables::Column &c : t.columns)
        out << c.name;
    return out.join(QStringLiteral(", "));
}

// The whole batch in one statement, one array parameter per column.
QString insertSql(const ServerReceptionTables::Table &t)
{
    QStringList arrays;
    for (const ServerReceptionTables::Column &c : t.columns)
        arrays << QStringLiteral("CAST(? AS %1)").arg(arrayCast(c.kind));
    const QString list = names(t);
    return QStringLiteral("INSERT INTO %1 (station, %2) SELECT CAST(? AS text), %2 FROM "
                          "unnest(%3) AS u (%2) ON CONFLICT (station, id) DO NOTHING")
        .arg(t.server, list, arrays.join(QStringLiteral(", ")));
}

QVariant serverValue(Kind kind, const QVariant &v)
{
    if (v.isNull())
        return QVariant();
    if (kind == Kind::Uid)
        return QUuid::fromRfc4122(v.toByteArray()).toString(QUuid::WithoutBraces);
    return v;
}

} // namespace

TServerReceptionBatch::TServerReceptionBatch(const QString &localConnection,
                                             const QString &serverConnection,
                                             const QString &station)
    : m_local(localConnection)
    , m_server(serverConnection)
    , m_station(station)
{}

bool TServerReceptionBatch::present(const QSqlDatabase &local, const QString &table)
{
    QSqlQuery q(local);
    q.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
    q.addBindValue(table);
    return q.exec() && q.next();
}

qint64 TServerReceptionBatch::highOnServer(const ServerReceptionTables::Table &t,
                                           ServerError *error) const
{
    QSqlQuery q(QSqlDatabase::database(m_server, false));
    if (!q.prepare(
            QStringLiteral("SELECT COALESCE(max(id), 0) FROM %1 WHERE station = ?").arg(t.server))) {
        *error = ServerError::server(ServerMessages::firstLine(q.lastError()));
        return -1;
    }
    q.addBindValue(m_station);
    if (!q.exec() || !q.next()) {
        *error = ServerError::server(ServerMessages::firstLine(q.lastError()));
        return -1;
    }
    return q.value(0).toLongLong();
}

int TServerReceptionBatch::sendAfter(const ServerReceptionTables::Table &t, qint64 cursor,
                                     int limit, qint64 *lastId, ServerError *error) const
{
    *lastId = cursor;
    QSqlQuery read(QSqlDatabase::database(m_local, false));
    read.setForwardOnly(true);
    if (!read.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE id > ? ORDER BY id LIMIT ?")
                          .arg(names(t), t.local))) {
        *error = ServerError::archive(read.lastError());
        return -1;
    }
    read.addBindValue(cursor);
    read.addBindValue(limit);
    if (!read.exec()) {
        *error = ServerError::archive(read.lastError());
        return -1;
    }
    std::vector<PgArray> arrays;
    for (const ServerReceptionTables::Column &c : t.columns)
        arrays.emplace_back(arrayType(c.kind));
    int rows = 0;
    while (read.next()) {
        for (size_t k = 0; k < t.columns.size(); ++k)
            arrays[k].append(serverValue(t.columns[k].kind, read.value(int(k))));
        *lastId = read.value(0).toLongLong();
        ++rows;
    }
    read.finish();
    if (rows == 0)
        return 0;
    QSqlQuery insert(QSqlDatabase::database(m_server, false));
    if (!insert.prepare(insertSql(t))) {
        *error = ServerError::server(ServerMessages::firstLine(insert.lastError()));
        return -1;
    }
    insert.addBindValue(m_station);
    for (const PgArray &a : arrays)
        insert.addBindValue(a.literal());
    if (!insert.exec()) {
        *error = ServerError::server(TServerBatch::serverError(insert.lastError(), m_station));
        return -1;
    }
    // Every id of the batch is there now, whoever sent it first.
    QSqlQuery check(QSqlDatabase::database(m_server, false));
    if (!check.prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE station = ? AND "
                                      "id = ANY (CAST(? AS bigint[]))")
                           .arg(t.server))) {
        *error = ServerError::server(ServerMessages::firstLine(check.lastError()));
        return -1;
    }
    check.addBindValue(m_station);
    check.addBindValue(arrays[0].literal());
    if (!check.exec() || !check.next()) {
        *error = ServerError::server(ServerMessages::firstLine(check.lastError()));
        return -1;
    }
    if (check.value(0).toLongLong() != rows) {
        *error = ServerError::server(Str::ServerNotConfirmed.arg(m_station));
        return -1;
    }
    return rows;
}
