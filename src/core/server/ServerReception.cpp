#include "server/ServerReception.h"

#include "reception/ReceptionStore.h"

namespace ServerReception {

QList<Delivery> deliveries(const QSqlDatabase &db, const QDateTime &from, const QDateTime &to,
                           const QString &code, QSqlError *error)
{
    // Numbers as text, so they come back as exact as they were kept.
    return ReceptionStore::deliveriesOf(
        db,
        QStringLiteral("SELECT supplier_code, supplier_name, milk_type, grade, at_ms, "
                       "quantity::text, unit, fat::text, snf::text, protein::text, "
                       "density::text, kilograms::text, credited::text, rate_id, price::text, "
                       "amount::text FROM reg01_deliveries d WHERE %1at_ms >= ? AND at_ms < ? "
                       "AND NOT EXISTS (SELECT 1 FROM reg01_deliveries n WHERE n.station = "
                       "d.station AND n.result_uid = d.result_uid AND n.id > d.id) "
                       "ORDER BY at_ms, station, id"),
        from, to, code, error);
}

} // namespace ServerReception
