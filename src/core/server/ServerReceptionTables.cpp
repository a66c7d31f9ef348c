#include "server/ServerReceptionTables.h"

namespace {

using Kind = ServerReceptionTables::Kind;

QString serverType(Kind kind)
{
    switch (kind) {
    case Kind::Integer:
        return QStringLiteral("bigint");
    case Kind::Decimal:
        return QStringLiteral("numeric");
    case Kind::Text:
    case Kind::Uid:
        break;
    }
    return QStringLiteral("text");
}

ServerReceptionTables::Table table(const char *local, const char *columns)
{
    ServerReceptionTables::Table t;
    t.local = QString::fromLatin1(local);
    t.server = QStringLiteral("reg01_") + t.local;
    // "name:kind" with kind t(ext), i(nteger), d(ecimal) or u(id).
    for (const QString &c : QString::fromLatin1(columns).split(QLatin1Char(' '))) {
        const QChar k = c.at(c.size() - 1);
        const Kind kind = k == QLatin1Char('i')   ? Kind::Integer
                          : k == QLatin1Char('d') ? Kind::Decimal
                          : k == QLatin1Char('u') ? Kind::Uid
                                                  : Kind::Text;
        t.columns.push_back({c.left(c.size() - 2), kind});
    }
    return t;
}

QStringList tableStatements(const ServerReceptionTables::Table &t)
{
    QStringList columns{QStringLiteral("station text NOT NULL")};
    for (const ServerReceptionTables::Column &c : t.columns)
        columns << c.name + QLatin1Char(' ') + serverType(c.kind)
                       + (c.name == QLatin1String("id") ? QStringLiteral(" NOT NULL") : QString());
    columns << QStringLiteral("received timestamptz NOT NULL DEFAULT now()")
            << QStringLiteral("PRIMARY KEY (station, id)");
    // A table left from before (its schema row dropped by hand) keeps its rows.
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
            .arg(t.server, columns.join(QStringLiteral(", "))),
        QStringLiteral("ALTER TABLE %1 ENABLE ROW LEVEL SECURITY").arg(t.server),
        QStringLiteral("DROP POLICY IF EXISTS reg01_read ON %1").arg(t.server),
        QStringLiteral("DROP POLICY IF EXISTS reg01_add ON %1").arg(t.server),
        QStringLiteral("CREATE POLICY reg01_read ON %1 FOR SELECT USING (true)").arg(t.server),
        QStringLiteral("CREATE POLICY reg01_add ON %1 FOR INSERT "
                       "WITH CHECK (reg01_may_write(current_user, station))")
            .arg(t.server),
        // Nothing for an administrator to grant: the policy keeps each role to its stations.
        QStringLiteral("GRANT SELECT, INSERT ON %1 TO PUBLIC").arg(t.server),
    };
}

} // namespace

namespace ServerReceptionTables {

const std::vector<Table> &tables()
{
    static const std::vector<Table> all{
        table("suppliers", "id:i code:t version:i name:t farm:t route:t milk_type:t "
                           "active_from:t active_to:t os_user:t at_ms:i at_iso:t"),
        table("rate_tables", "id:i valid_from_ms:i valid_from_iso:t milk_type:t kind:t csv:t "
                             "note:t os_user:t at_ms:i at_iso:t"),
        table("deliveries",
              "id:i result_uid:u supplier_code:t supplier_version:i supplier_name:t "
              "milk_type:t grade:t at_ms:i at_iso:t quantity:d unit:t fat:d snf:d protein:d "
              "density:d kilograms:d credited:d rate_id:i price:d amount:d os_user:t "
              "recorded_ms:i recorded_iso:t"),
    };
    return all;
}

QStringList version5()
{
    QStringList out;
    for (const Table &t : tables())
        out << tableStatements(t);
    out << QStringLiteral("CREATE INDEX IF NOT EXISTS reg01_deliveries_result ON reg01_deliveries "
                          "(station, result_uid, id)")
        << QStringLiteral(
               "CREATE INDEX IF NOT EXISTS reg01_deliveries_at ON reg01_deliveries (at_ms)")
        // The newest row of each station's result: a delivery typed again supersedes.
        << QStringLiteral(
               "CREATE OR REPLACE VIEW %1 AS SELECT d.station, d.result_uid AS result_id, "
               "to_timestamp(d.at_ms / 1000.0) AS at, d.supplier_code, d.supplier_version, "
               "d.supplier_name, d.milk_type, d.grade, d.quantity, d.unit, d.kilograms, d.fat, "
               "d.snf, d.protein, d.density, d.credited AS credited_kg, "
               "d.rate_id AS rate_version, d.price, d.amount FROM reg01_deliveries d "
               "WHERE NOT EXISTS (SELECT 1 FROM reg01_deliveries n WHERE n.station = d.station "
               "AND n.result_uid = d.result_uid AND n.id > d.id)")
               .arg(NamedView)
        << QStringLiteral("GRANT SELECT ON %1 TO PUBLIC").arg(NamedView)
        << QStringLiteral("UPDATE reg01_schema SET version = 5");
    return out;
}

} // namespace ServerReceptionTables
