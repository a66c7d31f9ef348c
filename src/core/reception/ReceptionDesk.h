#pragma once

// What reception makes of one row of the results table: the label read as a supplier's code,
// the typed quantity, and the sample's values (the value columns as the table shows them)
// worked out into a delivery, or the word the operator needs first (an unknown or inactive
// code, a quantity that is no number). A second delivery of a supplier in one shift is
// worked out too, but flagged, so the window asks before it takes it.

#include <functional>
#include <optional>

#include "reception/Delivery.h"
#include "reception/ReceptionSettings.h"
#include "reception/SupplierRegister.h"

class ReceptionDesk
{
public:
    // The value columns reception reads, by the value's number (0 = temperature).
    static constexpr int FatValue = 1;
    static constexpr int SnfValue = 2;
    static constexpr int DensityValue = 3;
    static constexpr int ProteinValue = 4;

    struct Outcome
    {
        std::optional<Delivery> delivery; // none while something is missing or wrong
        int supplierVersion = 0;
        QString problem;            // empty when there is none
        bool secondInShift = false; // the supplier delivered in this shift already
    };

    ReceptionDesk(const ReceptionSettings &settings, const SupplierRegister &suppliers,
                  const RateHistory &rates);

    // value(k): the row's value k as the table shows it, NaN where it has none. An empty
    // quantity is no delivery yet and no problem.
    Outcome take(const QString &label, const QDateTime &at, const QString &quantity,
                 const std::function<double(int)> &value) const;

private:
    const ReceptionSettings &m_settings;
    const SupplierRegister &m_suppliers;
    const RateHistory &m_rates;
};
