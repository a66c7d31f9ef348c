#include "reception/ReceptionDesk.h"

#include "text/ReceptionStrings.h"

ReceptionDesk::ReceptionDesk(const ReceptionSettings &settings, const SupplierRegister &suppliers,
                             const RateHistory &rates)
    : m_settings(settings)
    , m_suppliers(suppliers)
    , m_rates(rates)
{}

ReceptionDesk::Outcome ReceptionDesk::take(const QString &label, const QDateTime &at,
                                           const QString &quantity,
                                           const std::function<double(int)> &value) const
{
    Outcome out;
    const SupplierRegister::Found found = m_suppliers.find(label, at.date());
    out.problem = SupplierRegister::problemText(label, found);
    if (!out.problem.isEmpty() || quantity.trimmed().isEmpty())
        return out;
    const auto q = Decimal::parse(quantity);
    if (!q || *q <= Decimal()) {
        out.problem = ReceptionStrings::QuantityBad.arg(quantity.trimmed());
        return out;
    }
    Delivery d;
    d.supplierCode = found.supplier.code;
    d.supplierName = found.supplier.name;
    d.milkType = found.supplier.milkType;
    d.at = at;
    d.quantity = *q;
    d.unit = m_settings.unit;
    d.fat = Decimal::fromShown(value(FatValue));
    d.snf = Decimal::fromShown(value(SnfValue));
    d.density = Decimal::fromShown(value(DensityValue));
    d.protein = Decimal::fromShown(value(ProteinValue));
    d.workOut(m_settings.credit, m_rates);
    out.delivery = d;
    out.supplierVersion = found.supplier.version;
    out.secondInShift = m_suppliers.deliveredIn(d.supplierCode,
                                                ReceptionShift::of(at, m_settings.eveningHour));
    return out;
}
