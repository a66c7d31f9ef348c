#pragma once

// One supplier's delivery as reception works it out: what was typed and measured, and what
// follows from it. Values are the sample's results as the table shows them.

#include <optional>

#include <QDateTime>
#include <QString>

#include "reception/CreditedWeight.h"
#include "reception/DeliveryMass.h"
#include "reception/RateHistory.h"

struct Delivery
{
    // Typed and measured.
    QString supplierCode;
    QString supplierName;
    QString milkType;
    QString grade;
    QDateTime at;
    Decimal quantity;
    DeliveryMass::Unit unit = DeliveryMass::Unit::Kilograms;
    std::optional<Decimal> fat, snf, protein, density;

    // Worked out by price(); none where it cannot be.
    std::optional<Decimal> kilograms;
    std::optional<Decimal> credited;
    std::optional<Decimal> price;
    std::optional<Decimal> amount;
    qint64 rateVersion = 0; // the rate table's record, 0 when none was in force

    // Fills in the worked-out fields from the contract's basis and the rate tables.
    void workOut(const CreditedWeight &basis, const RateHistory &rates);
};
