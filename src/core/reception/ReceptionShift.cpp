#include "reception/ReceptionShift.h"

#include "text/ReceptionStrings.h"

ReceptionShift ReceptionShift::of(const QDateTime &t, int eveningHour)
{
    if (eveningHour < 1 || eveningHour > 23)
        eveningHour = DefaultEveningHour;
    ReceptionShift s;
    s.day = t.date();
    s.part = t.time().hour() < eveningHour ? Part::Morning : Part::Evening;
    return s;
}

QString ReceptionShift::name() const
{
    return day.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(", ")
           + (part == Part::Morning ? ReceptionStrings::ShiftMorning
                                    : ReceptionStrings::ShiftEvening);
}
