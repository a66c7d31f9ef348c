#include "trend/TrendEnvelope.h"

#include <algorithm>

namespace {

constexpr qint64 Minute = 60000;

} // namespace

TrendEnvelope::TrendEnvelope(int stretches)
    : m_wanted(std::max(stretches, 1))
{}

void TrendEnvelope::load(const std::vector<TrendPoint> &points)
{
    m_points = points;
    const qint64 span = points.empty() ? 0 : points.back().atMs - points.front().atMs;
    m_width = std::max(span / m_wanted + 1, Minute);
    build();
}

void TrendEnvelope::build()
{
    m_stretches.clear();
    m_start = m_points.empty() ? 0 : m_points.front().atMs;
    for (const TrendPoint &p : m_points)
        add(p);
    m_drawn.clear();
    for (const Stretch &s : m_stretches)
        drawInto(s, &m_drawn);
}

void TrendEnvelope::add(const TrendPoint &p)
{
    // A point before the last stretch (a clock set back) joins it.
    const qint64 slot = (p.atMs - m_start) / m_width;
    if (m_stretches.empty() || slot > m_stretches.back().slot) {
        m_stretches.push_back({slot, p, p, true});
        return;
    }
    Stretch &s = m_stretches.back();
    if (p.value < s.low.value)
        s.low = p;
    else if (p.value > s.high.value)
        s.high = p;
    else
        return;
    s.single = false;
}

void TrendEnvelope::drawInto(const Stretch &s, std::vector<TrendPoint> *out)
{
    if (s.single) {
        out->push_back(s.low);
        return;
    }
    const bool lowFirst = s.low.atMs <= s.high.atMs;
    out->push_back(lowFirst ? s.low : s.high);
    out->push_back(lowFirst ? s.high : s.low);
}

TrendEnvelope::Change TrendEnvelope::append(const TrendPoint &p)
{
    Change change;
    if (m_points.empty()) {
        m_start = p.atMs;
        m_width = Minute;
    }
    m_points.push_back(p);
    const size_t before = m_stretches.size();
    const int drawnBefore = before == 0 ? 0 : (m_stretches.back().single ? 1 : 2);
    add(p);
    if (m_stretches.size() > size_t(2 * m_wanted)) {
        m_width *= 2;
        build();
        change.remade = true;
        return change;
    }
    // Either a new stretch, or the last one changed (or kept its points).
    if (m_stretches.size() > before) {
        drawInto(m_stretches.back(), &change.added);
    } else {
        change.removed.assign(m_drawn.end() - drawnBefore, m_drawn.end());
        drawInto(m_stretches.back(), &change.added);
        if (change.removed == change.added)
            return {};
    }
    m_drawn.resize(m_drawn.size() - change.removed.size());
    m_drawn.insert(m_drawn.end(), change.added.begin(), change.added.end());
    return change;
}
