#include "reception/CreditedWeight.h"

std::optional<Decimal> CreditedWeight::of(Decimal kg, std::optional<Decimal> fat,
                                          std::optional<Decimal> protein) const
{
    switch (basis) {
    case Basis::Fat:
        if (!fat)
            return std::nullopt;
        return Decimal::mulDiv(kg, *fat, baseFat, Places);
    case Basis::Protein:
        if (!protein)
            return std::nullopt;
        return Decimal::mulDiv(kg, *protein, baseProtein, Places);
    case Basis::FatAndProtein:
        if (!fat || !protein)
            return std::nullopt;
        return Decimal::mulMulDiv(kg, *fat, *protein, baseFat, baseProtein, Places);
    }
    return std::nullopt;
}

std::optional<CreditedWeight::Basis> CreditedWeight::basisFromKey(const QString &key)
{
    const QString k = key.trimmed().toLower();
    if (k == QLatin1String("fat"))
        return Basis::Fat;
    if (k == QLatin1String("protein"))
        return Basis::Protein;
    if (k == QLatin1String("both"))
        return Basis::FatAndProtein;
    return std::nullopt;
}

QString CreditedWeight::keyOf(Basis b)
{
    switch (b) {
    case Basis::Fat:
        return QStringLiteral("fat");
    case Basis::Protein:
        return QStringLiteral("protein");
    case Basis::FatAndProtein:
        return QStringLiteral("both");
    }
    return {};
}
