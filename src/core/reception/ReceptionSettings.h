#pragma once

// Section "Reception" of a window's settings file. `Enabled=1` makes every result a
// supplier's delivery: a quantity column in the table, labels read as supplier codes,
// deliveries kept in the archive and the reception reports. `BaseFat=3,4` and
// `BaseProtein=3,0` are the contract's bases, `Credit=fat|protein|both` what the weight is
// credited by, `EveningHour=12` where the evening shift begins, `Unit=kg|l` what a quantity is
// typed in. A value that does not read keeps its default and is told in `notes`. Without the
// section, or with `Enabled=0`, the window is as it always was.

#include <QStringList>

#include "reception/CreditedWeight.h"
#include "reception/DeliveryMass.h"
#include "reception/ReceptionShift.h"

class TIniPlus;

struct ReceptionSettings
{
    static constexpr const char *Section = "Reception";

    bool enabled = false;
    CreditedWeight credit;
    int eveningHour = ReceptionShift::DefaultEveningHour;
    DeliveryMass::Unit unit = DeliveryMass::Unit::Kilograms;
    QStringList notes;

    static ReceptionSettings read(const TIniPlus &ini);
};
