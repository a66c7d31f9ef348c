#pragma once

// Every version of the rate tables, as the archive keeps them: nothing is deleted when a new
// table comes in. The version in force at a delivery's moment is the one with the latest
// start at or before it, for the delivery's milk type, else for every type; between two
// versions with the same start the later recorded wins (it corrects the earlier).

#include <QList>

#include "reception/RateTable.h"

class RateHistory
{
public:
    void add(const RateTable &version);
    const QList<RateTable> &versions() const { return m_versions; }

    // Null when no version had started by then.
    const RateTable *inForce(const QDateTime &at, const QString &milkType) const;

private:
    QList<RateTable> m_versions;
};
