#include "server/ServerReception.h"

#include <QSqlQuery>
#include <QVariant>

#include "reception/ReceptionStore.h"

namespace ServerReception {

QList<Delivery> deliveries(const QSqlDatabase &db, const QDateTime &from, const QDateTime &to,
                           const QString &code, QSqlError *error)
{
    QList<Delivery> out;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QString bySupplier = code.isEmpty() ? QString()
                                              : QStringLiteral("d.supplier_code = ? AND ");
    // Numbers as text, so they come back as exact as they were kept.
    if (!q.prepare(
            QStringLiteral(
                "SELECT supplier_code, supplier_name, milk_type, grade, at_ms, quantity::text, "
                "unit, fat::text, snf::text, protein::text, density::text, kilograms::text, "
                "credited::text, rate_id, price::text, amount::text FROM reg01_deliveries d "
                "WHERE %1d.at_ms >= ? AND d.at_ms < ? AND NOT EXISTS (SELECT 1 FROM "
                "reg01_deliveries n WHERE n.station = d.station AND n.result_uid = d.result_uid "
                "AND n.id > d.id) ORDER BY d.at_ms, d.station, d.id")
                .arg(bySupplier))) {
        if (error)
            *error = q.lastError();
        return out;
    }
    if (!code.isEmpty())
        q.addBindValue(code);
    q.addBindValue(from.toMSecsSinceEpoch());
    q.addBindValue(to.toMSecsSinceEpoch());
    if (!q.exec()) {
        if (error)
            *error = q.lastError();
        return out;
    }
    while (q.next())
        out.append(ReceptionStore::deliveryAt(q));
    return out;
}

} // namespace ServerReception
