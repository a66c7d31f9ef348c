#include "reception/DeliveryReport.h"

#include <QCollator>
#include <QHash>

#include <algorithm>

namespace {

constexpr int MeanPlaces = 2;

// Running sums of one line.
struct Sums
{
    DeliveryReport::Line line;
    Decimal fatMass, fatKg, proteinMass, proteinKg; // Σ kg·value (unrounded) and Σ kg

    void add(const Delivery &d)
    {
        ++line.deliveries;
        if (!d.amount)
            ++line.unpriced;
        else
            line.amount += *d.amount;
        if (d.credited)
            line.credited += *d.credited;
        if (!d.kilograms)
            return;
        line.kilograms += *d.kilograms;
        if (d.fat) {
            fatMass += Decimal::mul(*d.kilograms, *d.fat, Decimal::Places);
            fatKg += *d.kilograms;
        }
        if (d.protein) {
            proteinMass += Decimal::mul(*d.kilograms, *d.protein, Decimal::Places);
            proteinKg += *d.kilograms;
        }
    }

    DeliveryReport::Line finished() const
    {
        DeliveryReport::Line l = line;
        if (!fatKg.isZero())
            l.fat = Decimal::mulDiv(fatMass, Decimal::fromInt(1), fatKg, MeanPlaces);
        if (!proteinKg.isZero())
            l.protein = Decimal::mulDiv(proteinMass, Decimal::fromInt(1), proteinKg, MeanPlaces);
        return l;
    }

    void merge(const Sums &o)
    {
        line.deliveries += o.line.deliveries;
        line.unpriced += o.line.unpriced;
        line.amount += o.line.amount;
        line.credited += o.line.credited;
        line.kilograms += o.line.kilograms;
        fatMass += o.fatMass;
        fatKg += o.fatKg;
        proteinMass += o.proteinMass;
        proteinKg += o.proteinKg;
    }
};

} // namespace

DeliveryReport DeliveryReport::of(const QList<Delivery> &deliveries)
{
    QHash<QString, int> index;
    QList<Sums> sums;
    for (const Delivery &d : deliveries) {
        auto it = index.constFind(d.supplierCode);
        if (it == index.constEnd()) {
            it = index.insert(d.supplierCode, int(sums.size()));
            Sums s;
            s.line.code = d.supplierCode;
            s.line.name = d.supplierName;
            sums.append(s);
        }
        sums[*it].add(d);
    }
    QCollator collator(QLocale(QLocale::Russian, QLocale::Russia));
    collator.setNumericMode(true);
    std::sort(sums.begin(), sums.end(), [&collator](const Sums &a, const Sums &b) {
        return collator.compare(a.line.code, b.line.code) < 0;
    });
    DeliveryReport r;
    Sums total;
    r.lines.reserve(sums.size());
    for (const Sums &s : sums) {
        r.lines.append(s.finished());
        total.merge(s);
    }
    r.total = total.finished();
    return r;
}
