#include "reception/DeliveryReport.h"

#include <QCollator>
#include <QHash>

#include <algorithm>

namespace {

constexpr int MeanPlaces = 2;

// A mean weighted by mass: Σ kg·value (unrounded) ÷ Σ kg, rounded once.
struct Mean
{
    Decimal mass, kilograms;

    void add(Decimal kg, std::optional<Decimal> value)
    {
        if (!value)
            return;
        mass += Decimal::mul(kg, *value, Decimal::Places);
        kilograms += kg;
    }
    void merge(const Mean &o)
    {
        mass += o.mass;
        kilograms += o.kilograms;
    }
    std::optional<Decimal> value() const
    {
        if (kilograms.isZero())
            return std::nullopt;
        return Decimal::mulDiv(mass, Decimal::fromInt(1), kilograms, MeanPlaces);
    }
};

// Running sums of one line.
struct Sums
{
    DeliveryReport::Line line;
    // Σ kg·value and Σ kg over the deliveries with the value, per value.
    Mean fatSum, snfSum, proteinSum;

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
        fatSum.add(*d.kilograms, d.fat);
        snfSum.add(*d.kilograms, d.snf);
        proteinSum.add(*d.kilograms, d.protein);
    }

    DeliveryReport::Line finished() const
    {
        DeliveryReport::Line l = line;
        l.fat = fatSum.value();
        l.snf = snfSum.value();
        l.protein = proteinSum.value();
        return l;
    }

    void merge(const Sums &o)
    {
        line.deliveries += o.line.deliveries;
        line.unpriced += o.line.unpriced;
        line.amount += o.line.amount;
        line.credited += o.line.credited;
        line.kilograms += o.line.kilograms;
        fatSum.merge(o.fatSum);
        snfSum.merge(o.snfSum);
        proteinSum.merge(o.proteinSum);
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
