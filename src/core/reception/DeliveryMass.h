#pragma once

// A delivery's mass in kilograms. Quantities are typed in kilograms or litres; litres become
// kilograms by the sample's measured density, or by 1,030 kg/l where the sample has none.
// The analysers write density either in kg/m³ (1028,50) or in lactometer degrees (28,50 for
// 1028,50 kg/m³); anything outside both ranges counts as none. The mass is rounded to
// 0,01 kg, half away from zero.

#include <optional>

#include "reception/Decimal.h"

namespace DeliveryMass {

enum class Unit { Kilograms, Litres };

constexpr int Places = 2;

// The density in kg/l a litre quantity is multiplied by.
Decimal kilogramsPerLitre(std::optional<Decimal> measuredDensity);
// None for a negative or zero quantity.
std::optional<Decimal> kilograms(Decimal quantity, Unit unit,
                                 std::optional<Decimal> measuredDensity);

} // namespace DeliveryMass
