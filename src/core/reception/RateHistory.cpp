#include "reception/RateHistory.h"

void RateHistory::add(const RateTable &version)
{
    m_versions.append(version);
}

const RateTable *RateHistory::inForce(const QDateTime &at, const QString &milkType) const
{
    const RateTable *typed = nullptr;
    const RateTable *any = nullptr;
    for (const RateTable &v : m_versions) {
        if (!v.validFrom.isValid() || v.validFrom > at)
            continue;
        const RateTable *&best = v.milkType.isEmpty() ? any : typed;
        if (!v.milkType.isEmpty() && v.milkType != milkType)
            continue;
        // Later in the list is later recorded, so an equal start replaces.
        if (!best || v.validFrom >= best->validFrom)
            best = &v;
    }
    return typed ? typed : any;
}
