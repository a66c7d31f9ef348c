#pragma once

// The shift or day report: a line per supplier with the number of deliveries, the mass, the
// mean fat, SNF and protein weighted by mass, the credited weight and the amount, and the totals.
// Sums add the deliveries' rounded figures, so the lines add up as printed; a mean is
// Σ(kg × value) ÷ Σ kg over the deliveries that have the value, rounded to 0,01.

#include <optional>

#include <QList>
#include <QString>

#include "reception/Delivery.h"

struct DeliveryReport
{
    struct Line
    {
        QString code;
        QString name;
        int deliveries = 0;
        Decimal kilograms;
        std::optional<Decimal> fat, snf, protein;
        Decimal credited;
        Decimal amount;
        int unpriced = 0; // deliveries without an amount (no rate, no mass or no values)
    };

    QList<Line> lines; // by supplier code
    Line total;

    static DeliveryReport of(const QList<Delivery> &deliveries);
};
