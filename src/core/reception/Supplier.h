#pragma once

// A supplier of the reception point as the register keeps it. A change is a new version of
// the same code; the older versions stay, so a statement shows the name a delivery was made
// under.

#include <QDate>
#include <QString>

struct Supplier
{
    QString code;    // typed or scanned as a sample's label
    int version = 0; // 1 for the first; 0 until kept
    QString name;
    QString farm;
    QString route;
    QString milkType;
    QDate activeFrom; // null: from always
    QDate activeTo;   // null: still active

    bool activeOn(const QDate &day) const
    {
        return (activeFrom.isNull() || day >= activeFrom) && (activeTo.isNull() || day <= activeTo);
    }
};
