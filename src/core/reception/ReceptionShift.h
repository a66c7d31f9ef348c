#pragma once

// The shift a delivery belongs to: the morning shift of its day before the evening hour, the
// evening shift from it on. A supplier delivers once a shift.

#include <QDate>
#include <QDateTime>
#include <QString>

struct ReceptionShift
{
    enum class Part { Morning, Evening };

    QDate day;
    Part part = Part::Morning;

    static constexpr int DefaultEveningHour = 12;

    // eveningHour outside 1..23 is taken as the default.
    static ReceptionShift of(const QDateTime &localTime, int eveningHour);
    QString name() const; // "09.12.2026, утро"

    bool operator==(const ReceptionShift &) const = default;
};
