#pragma once

// The results held after a control rejection. A rejection of the control measured at T, whose
// last good control was measured at G, holds every result of the window measured after G (all
// of them when there is no good control): those before the rejecting control, the control
// itself and the results that come after it. They stay held until the operator records an
// action; a later control that passes does not release them, as the rule asks for an action.
// The action releases the results held so far; results measured after it are no longer held
// by that rejection. A rejection the action answered that the monitor still reports (no new
// control since) holds nothing more, and a later rejection holds only what came after the
// action: what the operator released is not held again.
//
// A rejection that goes away before an action, because a label was corrected (the newest
// judged control is now no later than the rejecting one, and not a rejection), takes its hold
// with it: the results were never in question. A second rejection while a hold is open widens
// it: the hold keeps the earlier good control and names the newer rejection.
//
// Plain data: the caller hands in the monitor's state after each judgement and the times of
// the results; nothing here reads a clock.

#include <functional>
#include <optional>
#include <vector>

#include "qc/ControlMonitor.h"

struct TExportTable;

struct QcHold
{
    QDateTime rejectedAt; // the rejecting control
    QDateTime lastGood;   // the last good control before it; invalid: none
    QList<std::pair<int, QString>> reasons;
    int material = -1;
    QDateTime releasedAt; // the action; invalid while the hold is open

    // A result measured at `at` falls in the hold's range (released or not).
    bool covers(const QDateTime &at) const
    {
        return at.isValid() && (!lastGood.isValid() || at > lastGood)
               && (!releasedAt.isValid() || at <= releasedAt);
    }
};

class QcHolds
{
public:
    enum class Change { None, Opened, Widened, Withdrawn };

    // The monitor's state after a judgement.
    Change judged(const QcState &state);
    // The operator recorded an action at `at`: the open hold, if any, is released and given
    // back.
    std::optional<QcHold> act(const QDateTime &at);

    const std::optional<QcHold> &open() const { return m_open; }
    // The last hold an action released.
    const std::optional<QcHold> &released() const { return m_released; }
    // The program starts again: the hold an earlier action released stays answered.
    void restore(const QcHold &released) { m_released = released; }
    // A result measured at `at` is held now.
    bool isHeld(const QDateTime &at) const { return m_open && m_open->covers(at); }

    // Adds a column "Задержан" to an export when any of its rows is held, `why(row)` giving
    // the text for a row (empty: not held); without held rows the table stays as it was.
    static void markExport(TExportTable &table, std::function<QString(int row)> why);

private:
    std::optional<QcHold> m_open;
    std::optional<QcHold> m_released;
};
