#include "reception/DeliveryMass.h"

namespace DeliveryMass {

namespace {
const Decimal Default = Decimal::fromUnits(1'030'000);
const Decimal Thousand = Decimal::fromInt(1000);
} // namespace

Decimal kilogramsPerLitre(std::optional<Decimal> d)
{
    if (!d)
        return Default;
    if (*d >= Decimal::fromInt(1000) && *d <= Decimal::fromInt(1100))
        return *Decimal::mulDiv(*d, Decimal::fromInt(1), Thousand, Decimal::Places);
    if (*d >= Decimal::fromInt(20) && *d < Decimal::fromInt(40))
        return *Decimal::mulDiv(*d + Thousand, Decimal::fromInt(1), Thousand, Decimal::Places);
    return Default;
}

std::optional<Decimal> kilograms(Decimal quantity, Unit unit, std::optional<Decimal> density)
{
    if (quantity <= Decimal())
        return std::nullopt;
    if (unit == Unit::Kilograms)
        return quantity.rounded(Places);
    return Decimal::mul(quantity, kilogramsPerLitre(density), Places);
}

} // namespace DeliveryMass
