#include "pollers/TLineStatus.h"

#include <algorithm>

#include <QStringList>

#include "text/LineStrings.h"

void TLineStatus::started(qint64 ms)
{
    *this = TLineStatus{};
    m_polling = true;
    m_quietSince = ms;
}

void TLineStatus::stopped()
{
    m_polling = false;
    m_lost = false;
}

void TLineStatus::cycle(bool resultDue, const QDateTime &lastResult, qint64 ms)
{
    // The ten quiet seconds count from the moment the result fell due.
    if (resultDue && !m_due)
        m_quietSince = std::max(m_quietSince, ms);
    m_due = resultDue;
    m_lastResult = lastResult;
    m_cycled = true;
}

void TLineStatus::accepted(qint64 ms)
{
    m_quietSince = ms;
}

void TLineStatus::dropped(TReplyVerdict why)
{
    ++m_dropped[std::size_t(why)];
}

void TLineStatus::lost(int error)
{
    m_lost = true;
    m_lostError = error;
}

void TLineStatus::restored(qint64 ms)
{
    m_lost = false;
    m_cycled = false;
    m_quietSince = ms;
}

void TLineStatus::rejected(std::optional<uint16_t> status)
{
    ++m_rejected;
    m_lastRejected = status;
}

TLineStatus::State TLineStatus::state(qint64 ms) const
{
    if (!m_polling)
        return State::Off;
    if (m_lost)
        return State::Lost;
    if (!m_cycled)
        return State::Opening;
    if (!m_due)
        return State::Countdown;
    return ms - m_quietSince >= SilentAfterMs ? State::Silent : State::Waiting;
}

TLineStatus::Tone TLineStatus::toneOf(State state)
{
    return state == State::Lost ? Tone::Red : state == State::Silent ? Tone::Amber : Tone::Plain;
}

QString TLineStatus::stateText(State state, const QDateTime &now, const QString &port) const
{
    switch (state) {
    case State::Off:
        return Str::LineOff;
    case State::Opening:
        return Str::LinePolling.arg(port);
    case State::Waiting:
        return Str::LineWaiting;
    case State::Silent:
        return Str::LineSilent;
    case State::Lost:
        return Str::LineLost;
    case State::Countdown:
        break;
    }
    // Whole seconds up to the stroke of the two minutes, rounded up: "0:00" never shows
    // while the result is not due yet.
    const qint64 leftMs = std::clamp<qint64>(now.msecsTo(m_lastResult.addSecs(120)), 0, 120000);
    const qint64 secs = (leftMs + 999) / 1000;
    return Str::LineNextIn.arg(
        QStringLiteral("%1:%2").arg(secs / 60).arg(secs % 60, 2, 10, QLatin1Char('0')));
}

QString TLineStatus::rejectedText() const
{
    if (m_rejected == 0)
        return {};
    const QString why = m_lastRejected ? Str::LineRejectedStatus.arg(
                            QString::number(*m_lastRejected, 16).rightJustified(4, u'0').toUpper())
                                       : Str::LineUndecoded;
    return Str::LineRejected.arg(why).arg(m_rejected);
}

QString TLineStatus::droppedText() const
{
    const std::pair<TReplyVerdict, const QString *> reasons[]
        = {{TReplyVerdict::WrongEcho, &Str::LineDroppedEcho},
           {TReplyVerdict::WrongLength, &Str::LineDroppedLength},
           {TReplyVerdict::NoReply, &Str::LineDroppedNone}};
    QStringList parts;
    for (const auto &[verdict, text] : reasons) {
        if (const int n = m_dropped[std::size_t(verdict)])
            parts << text->arg(n);
    }
    return parts.isEmpty() ? QString() : Str::LineDropped.arg(parts.join(QStringLiteral(", ")));
}
