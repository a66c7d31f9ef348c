#include "reception/ReceptionStore.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

const char *const Tables[] = {"suppliers", "rate_tables", "deliveries"};

bool fail(const QSqlQuery &q, QSqlError *error)
{
    if (error)
        *error = q.lastError();
    return false;
}

// Exact text with a point and at least two decimals: "1028.50", "3.4125".
QVariant exact(std::optional<Decimal> d)
{
    if (!d)
        return QVariant(QMetaType::fromType<QString>());
    QString s = d->toString(Decimal::Places, QLatin1Char('.'));
    while (s.endsWith(QLatin1Char('0')) && s.indexOf(QLatin1Char('.')) < s.size() - 3)
        s.chop(1);
    return s;
}

std::optional<Decimal> decimal(const QVariant &v)
{
    return v.isNull() ? std::nullopt : Decimal::parse(v.toString());
}

QVariant day(const QDate &d)
{
    return d.isNull() ? QVariant(QMetaType::fromType<QString>())
                      : QVariant(d.toString(Qt::ISODate));
}

QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

bool exec(QSqlQuery &q, const QVariantList &binds, QSqlError *error)
{
    for (const QVariant &v : binds)
        q.addBindValue(v);
    return q.exec() || fail(q, error);
}

Supplier readSupplier(const QSqlQuery &q)
{
    Supplier s;
    s.code = q.value(0).toString();
    s.version = q.value(1).toInt();
    s.name = q.value(2).toString();
    s.farm = q.value(3).toString();
    s.route = q.value(4).toString();
    s.milkType = q.value(5).toString();
    s.activeFrom = QDate::fromString(q.value(6).toString(), Qt::ISODate);
    s.activeTo = QDate::fromString(q.value(7).toString(), Qt::ISODate);
    return s;
}

QList<Supplier> selectSuppliers(const QSqlDatabase &db, const QString &where,
                                const QVariantList &binds, QSqlError *error)
{
    QList<Supplier> out;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT code, version, name, farm, route, milk_type, "
                                  "active_from, active_to FROM suppliers s WHERE %1 "
                                  "ORDER BY code, version")
                       .arg(where))
        || !exec(q, binds, error))
        return out;
    while (q.next())
        out.append(readSupplier(q));
    return out;
}

Delivery deliveryAt(const QSqlQuery &q)
{
    Delivery d;
    d.supplierCode = q.value(0).toString();
    d.supplierName = q.value(1).toString();
    d.milkType = q.value(2).toString();
    d.grade = q.value(3).toString();
    d.at = QDateTime::fromMSecsSinceEpoch(q.value(4).toLongLong());
    d.quantity = decimal(q.value(5)).value_or(Decimal());
    d.unit = q.value(6).toString() == QLatin1String("l") ? DeliveryMass::Unit::Litres
                                                         : DeliveryMass::Unit::Kilograms;
    d.fat = decimal(q.value(7));
    d.snf = decimal(q.value(8));
    d.protein = decimal(q.value(9));
    d.density = decimal(q.value(10));
    d.kilograms = decimal(q.value(11));
    d.credited = decimal(q.value(12));
    d.rateVersion = q.value(13).toLongLong();
    d.price = decimal(q.value(14));
    d.amount = decimal(q.value(15));
    return d;
}

} // namespace

namespace ReceptionStore {

QStringList tables()
{
    return {
        QStringLiteral("CREATE TABLE suppliers (id INTEGER PRIMARY KEY, "
                       "code TEXT NOT NULL CHECK (code <> ''), version INTEGER NOT NULL, "
                       "name TEXT NOT NULL, farm TEXT NOT NULL, route TEXT NOT NULL, "
                       "milk_type TEXT NOT NULL, active_from TEXT, active_to TEXT, "
                       "os_user TEXT NOT NULL, at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL, "
                       "UNIQUE (code, version))"),
        QStringLiteral("CREATE TABLE rate_tables (id INTEGER PRIMARY KEY, "
                       "valid_from_ms INTEGER NOT NULL, valid_from_iso TEXT NOT NULL, "
                       "milk_type TEXT NOT NULL, "
                       "kind TEXT NOT NULL CHECK (kind IN ('bands', 'base price')), "
                       "csv TEXT NOT NULL, note TEXT NOT NULL, os_user TEXT NOT NULL, "
                       "at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL)"),
        // A delivery typed again is a new row for its result; the newest counts.
        QStringLiteral("CREATE TABLE deliveries (id INTEGER PRIMARY KEY, "
                       "result_uid BLOB NOT NULL, supplier_code TEXT NOT NULL, "
                       "supplier_version INTEGER NOT NULL, supplier_name TEXT NOT NULL, "
                       "milk_type TEXT NOT NULL, grade TEXT NOT NULL, "
                       "at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL, "
                       "quantity TEXT NOT NULL, unit TEXT NOT NULL CHECK (unit IN ('kg', 'l')), "
                       "fat TEXT, snf TEXT, protein TEXT, density TEXT, kilograms TEXT, "
                       "credited TEXT, rate_id INTEGER REFERENCES rate_tables (id), price TEXT, "
                       "amount TEXT, os_user TEXT NOT NULL, "
                       "recorded_ms INTEGER NOT NULL, recorded_iso TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX deliveries_supplier_at ON deliveries "
                       "(supplier_code, at_ms)"),
        QStringLiteral("CREATE INDEX deliveries_at ON deliveries (at_ms)"),
        QStringLiteral("CREATE INDEX deliveries_result ON deliveries (result_uid, id)"),
    };
}

QStringList appendOnlyTables()
{
    QStringList out;
    for (const char *t : Tables)
        out << QString::fromLatin1(t);
    return out;
}

int addSupplier(const QSqlDatabase &db, const Supplier &s, const QString &osUser,
                const QDateTime &at, QSqlError *error)
{
    QSqlQuery q(db);
    // The next version is taken inside the insert, so two writers cannot both take it.
    if (!q.prepare(QStringLiteral(
            "INSERT INTO suppliers (code, version, name, farm, route, milk_type, active_from, "
            "active_to, os_user, at_ms, at_iso) SELECT ?, COALESCE(MAX(version), 0) + 1, ?, ?, "
            "?, ?, ?, ?, ?, ?, ? FROM suppliers WHERE code = ?"))
        || !exec(q,
                 {s.code.trimmed(), text(s.name), text(s.farm), text(s.route), text(s.milkType),
                  day(s.activeFrom), day(s.activeTo), text(osUser), at.toMSecsSinceEpoch(),
                  at.toString(Qt::ISODateWithMs), s.code.trimmed()},
                 error))
        return 0;
    QSqlQuery v(db);
    if (!v.prepare(QStringLiteral("SELECT version FROM suppliers WHERE id = ?"))
        || !exec(v, {q.lastInsertId()}, error) || !v.next())
        return 0;
    return v.value(0).toInt();
}

QList<Supplier> suppliers(const QSqlDatabase &db, QSqlError *error)
{
    return selectSuppliers(db,
                           QStringLiteral("s.version = (SELECT MAX(n.version) FROM suppliers n "
                                          "WHERE n.code = s.code)"),
                           {}, error);
}

QList<Supplier> supplierHistory(const QSqlDatabase &db, const QString &code, QSqlError *error)
{
    return selectSuppliers(db, QStringLiteral("s.code = ?"), {code}, error);
}

qint64 addRateTable(const QSqlDatabase &db, const RateTable &t, const QString &csv,
                    const QString &osUser, const QDateTime &at, QSqlError *error)
{
    if (!t.validFrom.isValid()) {
        if (error)
            *error = QSqlError(QStringLiteral("rate table without a start"), QString(),
                               QSqlError::StatementError);
        return 0;
    }
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO rate_tables (valid_from_ms, valid_from_iso, "
                                  "milk_type, kind, csv, note, os_user, at_ms, at_iso) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"))
        || !exec(q,
                 {t.validFrom.toMSecsSinceEpoch(), t.validFrom.toString(Qt::ISODate),
                  text(t.milkType),
                  t.kind == RateTable::Kind::Bands ? QStringLiteral("bands")
                                                   : QStringLiteral("base price"),
                  csv, text(t.note), text(osUser), at.toMSecsSinceEpoch(),
                  at.toString(Qt::ISODateWithMs)},
                 error))
        return 0;
    return q.lastInsertId().toLongLong();
}

RateHistory rateHistory(const QSqlDatabase &db, QSqlError *error)
{
    RateHistory h;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id, valid_from_ms, milk_type, csv, note FROM rate_tables "
                               "ORDER BY id"))) {
        fail(q, error);
        return h;
    }
    while (q.next()) {
        // A table was checked when it was imported; one that no longer reads is left out
        // rather than priced wrongly.
        const RateTable::Parsed p = RateTable::fromCsv(q.value(3).toString());
        if (!p.table)
            continue;
        RateTable t = *p.table;
        t.id = q.value(0).toLongLong();
        t.validFrom = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong());
        t.milkType = q.value(2).toString();
        t.note = q.value(4).toString();
        h.add(t);
    }
    return h;
}

qint64 addDelivery(const QSqlDatabase &db, const QUuid &result, const Delivery &d,
                   int supplierVersion, const QString &osUser, const QDateTime &at,
                   QSqlError *error)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral(
            "INSERT INTO deliveries (result_uid, supplier_code, supplier_version, supplier_name, "
            "milk_type, grade, at_ms, at_iso, quantity, unit, fat, snf, protein, density, "
            "kilograms, credited, rate_id, price, amount, os_user, recorded_ms, recorded_iso) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))
        || !exec(q,
                 {result.toRfc4122(),
                  d.supplierCode,
                  supplierVersion,
                  text(d.supplierName),
                  text(d.milkType),
                  text(d.grade),
                  d.at.toMSecsSinceEpoch(),
                  d.at.toString(Qt::ISODateWithMs),
                  exact(d.quantity),
                  d.unit == DeliveryMass::Unit::Litres ? QStringLiteral("l") : QStringLiteral("kg"),
                  exact(d.fat),
                  exact(d.snf),
                  exact(d.protein),
                  exact(d.density),
                  exact(d.kilograms),
                  exact(d.credited),
                  d.rateVersion > 0 ? QVariant(d.rateVersion)
                                    : QVariant(QMetaType::fromType<qint64>()),
                  exact(d.price),
                  exact(d.amount),
                  text(osUser),
                  at.toMSecsSinceEpoch(),
                  at.toString(Qt::ISODateWithMs)},
                 error))
        return 0;
    return q.lastInsertId().toLongLong();
}

QList<Delivery> deliveries(const QSqlDatabase &db, const QDateTime &from, const QDateTime &to,
                           const QString &code, QSqlError *error)
{
    return deliveriesOf(
        db,
        QStringLiteral("SELECT supplier_code, supplier_name, milk_type, grade, at_ms, quantity, "
                       "unit, fat, snf, protein, density, kilograms, credited, rate_id, price, "
                       "amount FROM deliveries d WHERE %1at_ms >= ? AND at_ms < ? AND d.id = "
                       "(SELECT MAX(n.id) FROM deliveries n WHERE n.result_uid = d.result_uid) "
                       "ORDER BY at_ms, id"),
        from, to, code, error);
}

QList<Delivery> deliveriesOf(const QSqlDatabase &db, const QString &select, const QDateTime &from,
                             const QDateTime &to, const QString &code, QSqlError *error)
{
    QList<Delivery> out;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QString bySupplier = code.isEmpty() ? QString()
                                              : QStringLiteral("supplier_code = ? AND ");
    if (!q.prepare(select.arg(bySupplier))) {
        fail(q, error);
        return out;
    }
    QVariantList binds;
    if (!code.isEmpty())
        binds << code;
    binds << from.toMSecsSinceEpoch() << to.toMSecsSinceEpoch();
    if (!exec(q, binds, error))
        return out;
    while (q.next())
        out.append(deliveryAt(q));
    return out;
}

std::optional<Delivery> deliveryOf(const QSqlDatabase &db, const QUuid &result, QSqlError *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral(
            "SELECT supplier_code, supplier_name, milk_type, grade, at_ms, quantity, unit, fat, "
            "snf, protein, density, kilograms, credited, rate_id, price, amount FROM deliveries "
            "WHERE result_uid = ? ORDER BY id DESC LIMIT 1"))) {
        fail(q, error);
        return std::nullopt;
    }
    if (!exec(q, {result.toRfc4122()}, error) || !q.next())
        return std::nullopt;
    return deliveryAt(q);
}

} // namespace ReceptionStore
