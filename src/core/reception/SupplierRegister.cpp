#include "reception/SupplierRegister.h"

#include "text/ReceptionStrings.h"

QString SupplierRegister::key(const QString &code)
{
    return code.trimmed().toCaseFolded();
}

void SupplierRegister::setSuppliers(const QList<Supplier> &latest)
{
    m_byCode.clear();
    for (const Supplier &s : latest)
        m_byCode.insert(key(s.code), s);
}

SupplierRegister::Found SupplierRegister::find(const QString &label, const QDate &day) const
{
    Found f;
    const auto it = m_byCode.constFind(key(label));
    if (it == m_byCode.constEnd())
        return f;
    f.supplier = *it;
    f.match = it->activeOn(day) ? Match::Supplier : Match::Inactive;
    return f;
}

QString SupplierRegister::problemText(const QString &label, const Found &found)
{
    switch (found.match) {
    case Match::Supplier:
        return {};
    case Match::Inactive:
        return ReceptionStrings::SupplierInactive.arg(found.supplier.code, found.supplier.name);
    case Match::Unknown:
        break;
    }
    return ReceptionStrings::SupplierUnknown.arg(label.trimmed());
}

bool SupplierRegister::deliveredIn(const QString &code, const ReceptionShift &shift) const
{
    return m_delivered.contains(key(code) + QLatin1Char('\n') + shift.name());
}

void SupplierRegister::noteDelivery(const QString &code, const ReceptionShift &shift)
{
    m_delivered.insert(key(code) + QLatin1Char('\n') + shift.name());
}
