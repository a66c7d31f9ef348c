#include "qc/QcHolds.h"

#include "export/TExportTable.h"
#include "text/QcStrings.h"

QcHolds::Change QcHolds::judged(const QcState &state)
{
    if (state.kind == QcState::Unread)
        return Change::None;
    if (state.kind != QcState::Rejection) {
        // A later control that passes leaves the hold; one no later than the rejection means
        // the rejection itself went away.
        if (m_open && (state.kind == QcState::NoData || state.at <= m_open->rejectedAt)) {
            m_open.reset();
            return Change::Withdrawn;
        }
        return Change::None;
    }
    if (m_released && state.at <= m_released->releasedAt && state.at <= m_released->rejectedAt)
        return Change::None; // answered already
    if (m_open) {
        if (m_open->rejectedAt == state.at) {
            m_open->reasons = state.reasons;
            return Change::None;
        }
        m_open->rejectedAt = state.at;
        m_open->reasons = state.reasons;
        m_open->material = state.material;
        if (state.lastGood.isValid() && m_open->lastGood.isValid()
            && state.lastGood < m_open->lastGood)
            m_open->lastGood = state.lastGood;
        else if (!state.lastGood.isValid())
            m_open->lastGood = QDateTime();
        return Change::Widened;
    }
    QcHold hold;
    hold.rejectedAt = state.at;
    hold.lastGood = state.lastGood;
    // What an action released is not held again by a later rejection: it holds from the
    // action on.
    if (m_released && (!hold.lastGood.isValid() || hold.lastGood < m_released->releasedAt))
        hold.lastGood = m_released->releasedAt;
    hold.reasons = state.reasons;
    hold.material = state.material;
    m_open = hold;
    return Change::Opened;
}

std::optional<QcHold> QcHolds::act(const QDateTime &at)
{
    if (!m_open)
        return std::nullopt;
    m_open->releasedAt = at;
    m_released = m_open;
    m_open.reset();
    return m_released;
}

void QcHolds::markExport(TExportTable &table, std::function<QString(int row)> why)
{
    bool any = false;
    for (int r = 0; r < table.rowCount && !any; ++r)
        any = !why(r).isEmpty();
    if (!any)
        return;
    const int col = table.columnCount();
    table.titles.append(Str::QcHeldTitle);
    table.cell = [cell = table.cell, why = std::move(why), col](int c, int row) {
        return c == col ? why(row) : cell(c, row);
    };
}
