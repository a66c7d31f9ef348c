#pragma once

// What the status bar says about polling, worked out from the poller's events and the window's
// pacing without any widget: the state with its colour, and the counts of results the
// instrument rejected and of replies that were dropped. Times are passed in (the window's clock
// for the two-minute pacing, a monotonic one in milliseconds for the ten quiet seconds).

#include <array>
#include <cstdint>
#include <optional>

#include <QDateTime>
#include <QString>

#include "pollers/TPollerFamily.h"

class TLineStatus
{
public:
    enum class State { Off, Opening, Waiting, Countdown, Silent, Lost };
    enum class Tone { Plain, Amber, Red };

    // After this long without an accepted reply while a result is due, the instrument is
    // taken for silent.
    static constexpr qint64 SilentAfterMs = 10000;

    void started(qint64 ms);
    void stopped();
    // A get-number step: whether a result is due now, and when the last one was taken.
    void cycle(bool resultDue, const QDateTime &lastResult, qint64 ms);
    void accepted(qint64 ms);
    void dropped(TReplyVerdict why);
    void lost(int error);
    void restored(qint64 ms);
    // A result the instrument marked as not a measurement (its status), or one that does not
    // decode (nothing).
    void rejected(std::optional<uint16_t> status);

    State state(qint64 ms) const;
    static Tone toneOf(State state);
    // "Следующий результат через 1:05" and the like; port is the caption of the polled port.
    QString stateText(State state, const QDateTime &now, const QString &port) const;
    QString rejectedText() const; // empty until a result was rejected
    QString droppedText() const;  // empty until a reply was dropped
    int lostError() const { return m_lostError; }

private:
    bool m_polling = false;
    bool m_cycled = false; // a get-number step ran since polling started or the line came back
    bool m_lost = false;
    int m_lostError = 0;
    bool m_due = false;
    qint64 m_quietSince = 0; // when the wait for an accepted reply began
    QDateTime m_lastResult;
    int m_rejected = 0;
    std::optional<uint16_t> m_lastRejected;
    std::array<int, 4> m_dropped{}; // by TReplyVerdict
};
