#pragma once

// The credited weight a supplier is paid for: the delivered mass recalculated to the
// contract's base fat (mass × fat ÷ base fat), to its base protein (mass × protein ÷ base
// protein), or to both (mass × fat ÷ base fat × protein ÷ base protein, one rounding). The
// result is rounded to 0,01 kg, half away from zero.

#include <optional>

#include <QString>

#include "reception/Decimal.h"

struct CreditedWeight
{
    enum class Basis { Fat, Protein, FatAndProtein };

    static constexpr int Places = 2;

    Basis basis = Basis::Fat;
    Decimal baseFat = Decimal::fromUnits(3'400'000);
    Decimal baseProtein = Decimal::fromUnits(3'000'000);

    // None when a value the basis needs is missing, or a base is zero.
    std::optional<Decimal> of(Decimal kilograms, std::optional<Decimal> fat,
                              std::optional<Decimal> protein) const;

    // The settings' words: "fat", "protein", "both"; anything else is none.
    static std::optional<Basis> basisFromKey(const QString &key);
    static QString keyOf(Basis b);
};
