#include "reception/Delivery.h"

void Delivery::workOut(const CreditedWeight &basis, const RateHistory &rates)
{
    kilograms = DeliveryMass::kilograms(quantity, unit, density);
    credited.reset();
    price.reset();
    amount.reset();
    rateVersion = 0;
    if (!kilograms)
        return;
    credited = basis.of(*kilograms, fat, protein);
    const RateTable *table = rates.inForce(at, milkType);
    if (!table)
        return;
    rateVersion = table->id;
    price = table->price(fat, snf, grade);
    if (!price)
        return;
    const std::optional<Decimal> paid = table->paysCreditedWeight() ? credited : kilograms;
    if (paid)
        amount = Decimal::mul(*paid, *price, RateTable::PricePlaces);
}
