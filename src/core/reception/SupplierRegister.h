#pragma once

// The suppliers a window knows, by code, and what a typed or scanned label means to
// reception: a supplier's code (case and surrounding blanks aside), a code whose supplier is
// not active on the delivery's day, or no supplier's code at all — told at once so the
// operator can correct the label. It also counts deliveries per supplier and shift, so a
// second delivery in one shift is asked about before it is taken.

#include <QHash>
#include <QList>
#include <QSet>

#include "reception/ReceptionShift.h"
#include "reception/Supplier.h"

class SupplierRegister
{
public:
    enum class Match { Supplier, Inactive, Unknown };

    struct Found
    {
        Match match = Match::Unknown;
        Supplier supplier; // for Supplier and Inactive
    };

    void setSuppliers(const QList<Supplier> &latest);
    Found find(const QString &label, const QDate &day) const;
    // The status bar's word on a label that is no active supplier's code; empty for one that is.
    static QString problemText(const QString &label, const Found &found);

    // Whether the supplier has delivered in the shift already.
    bool deliveredIn(const QString &code, const ReceptionShift &shift) const;
    void noteDelivery(const QString &code, const ReceptionShift &shift);

private:
    static QString key(const QString &code);

    QHash<QString, Supplier> m_byCode;
    QSet<QString> m_delivered; // code and shift
};
