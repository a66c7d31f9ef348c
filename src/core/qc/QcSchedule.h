#pragma once

// When the next control sample is due: every N samples and/or every M minutes since the last
// control, kept in section "Control" as "EverySamples=50" and "EveryMinutes=60". A key that
// is absent, blank or 0 turns its part off; a value that is no whole number above zero does
// too, with a note. The clock is always handed in, never read here.

#include <QDateTime>
#include <QString>
#include <QStringList>

class TIniPlus;

struct QcDue
{
    bool bySamples = false;
    bool byTime = false;
    bool isDue() const { return bySamples || byTime; }
};

class QcSchedule
{
public:
    static const QString SamplesKey; // "EverySamples"
    static const QString MinutesKey; // "EveryMinutes"
    // The key is one of the schedule's, in any case.
    static bool owns(const QString &key);

    int everySamples = 0; // 0: not by samples
    int everyMinutes = 0; // 0: not by time

    bool isOff() const { return everySamples <= 0 && everyMinutes <= 0; }

    // samplesSince counts the samples measured after the last control; lastControl is when
    // that control was measured, invalid when there has been none yet. Due once the count
    // reaches N, and once M whole minutes have passed: a control 60 minutes ago is due at
    // "every 60 minutes". Without any control yet, every part that is on is due. A clock
    // that reads earlier than the last control (set back) cannot tell the time since it:
    // the time part is then due rather than silent.
    QcDue due(int samplesSince, const QDateTime &lastControl, const QDateTime &now) const;

    static QcSchedule read(const TIniPlus &ini, QStringList *notes = nullptr);
    // Writes only keys that change, so a file without a schedule stays as it was.
    bool write(TIniPlus &ini) const;
};
