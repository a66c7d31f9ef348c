#include "quality/TColumnStats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "table/TRowStore.h"

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
} // namespace

void TColumnStats::setShape(int firstCol, int colCount)
{
    m_first = qMax(0, firstCol);
    m_n = qMax(0, colCount - m_first);
    m_rowCount = 0;
    m_blocks.clear();
    m_acc.assign(m_n, TAcc{});
    setLimits(m_limits);
}

void TColumnStats::setLimits(const TLimits &limits)
{
    m_limits = limits;
    m_lo.assign(m_n, -Inf);
    m_hi.assign(m_n, Inf);
    for (int k = 0; k < m_n; ++k) {
        const TLimit l = limits.limit(m_first + k);
        if (l.hasMin())
            m_lo[k] = l.min;
        if (l.hasMax())
            m_hi[k] = l.max;
        m_acc[k].outside = 0;
    }
    for (int r = 0; r < m_rowCount; ++r) {
        const double *v = values(r);
        for (int k = 0; k < m_n; ++k) {
            if (outside(k, v[k])) // NaN is never outside
                ++m_acc[k].outside;
        }
    }
}

void TColumnStats::readRow(const TRowStore &rows, int row, double *out) const
{
    std::fill(out, out + m_n, NaN);
    const QByteArray &line = rows.Line(row);
    const char *p = line.constData();
    const char *const e = p + line.size();
    for (int col = 0; col < m_first; ++col) {
        p = static_cast<const char *>(memchr(p, '\t', e - p));
        if (!p)
            return;
        ++p;
    }
    for (int k = 0; k < m_n; ++k) {
        out[k] = m_reader.scan(p, e);
        if (p == e)
            return;
        ++p; // the TAB
    }
}

inline void TColumnStats::add(TAcc &a, int k, double v) const
{
    if (a.n == 0) {
        // A new start: the first value is the shift, and the extrema are this value.
        a = TAcc{};
        a.shift = v;
        a.min = a.max = v;
    } else if (!a.extremaStale) {
        a.min = std::min(a.min, v);
        a.max = std::max(a.max, v);
    }
    ++a.n;
    const double d = v - a.shift;
    a.sum += d;
    a.squares += d * d;
    if (outside(k, v))
        ++a.outside;
}

void TColumnStats::remove(TAcc &a, int k, double v)
{
    if (a.n <= 1) {
        a = TAcc{}; // the last value gone: nothing left to count
        return;
    }
    --a.n;
    const double d = v - a.shift;
    a.sum -= d;
    a.squares -= d * d;
    if (outside(k, v))
        --a.outside;
    if (v <= a.min || v >= a.max)
        a.extremaStale = true;
}

void TColumnStats::refreshExtrema(TAcc &a, int k) const
{
    a.extremaStale = false;
    double lo = Inf;
    double hi = -Inf;
    for (int r = 0; r < m_rowCount; ++r) {
        const double v = values(r)[k];
        if (v < lo)
            lo = v;
        if (v > hi)
            hi = v;
    }
    a.min = lo;
    a.max = hi;
}

TStat TColumnStats::result(const TAcc &a) const
{
    TStat s;
    s.count = a.n;
    s.outside = a.outside;
    if (a.n == 0)
        return s;
    const double meanShifted = a.sum / a.n;
    s.mean = a.shift + meanShifted;
    s.min = a.min;
    s.max = a.max;
    if (a.n >= 2) {
        const double var = (a.squares - a.sum * meanShifted) / double(a.n - 1);
        s.sd = std::sqrt(std::max(0.0, var));
    }
    return s;
}

void TColumnStats::appendRow(const TRowStore &rows, int row)
{
    if (m_rowCount % BlockRows == 0) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(size_t(BlockRows) * m_n);
    }
    std::vector<double> &block = m_blocks.back();
    block.resize(block.size() + m_n);
    double *v = block.data() + block.size() - m_n;
    ++m_rowCount;
    if (row < rows.RowCount())
        readRow(rows, row, v);
    else
        std::fill(v, v + m_n, NaN);
    for (int k = 0; k < m_n; ++k) {
        if (!std::isnan(v[k]))
            add(m_acc[k], k, v[k]);
    }
}

void TColumnStats::dropLastRow()
{
    const double *v = values(m_rowCount - 1);
    for (int k = 0; k < m_n; ++k) {
        if (!std::isnan(v[k]))
            remove(m_acc[k], k, v[k]);
    }
    --m_rowCount;
    m_blocks.back().resize(m_blocks.back().size() - m_n);
    if (m_blocks.back().empty())
        m_blocks.pop_back();
}

void TColumnStats::rebuild(const TRowStore &rows)
{
    m_blocks.clear();
    m_rowCount = 0;
    m_acc.assign(m_n, TAcc{});
    if (m_n == 0)
        return;
    for (int r = 0; r < rows.RowCount(); ++r)
        appendRow(rows, r);
}

void TColumnStats::rowsChanged(const TRowStore &rows, int first, int last)
{
    first = qMax(0, first);
    last = qMin(last, qMin(m_rowCount, rows.RowCount()) - 1);
    std::vector<double> fresh(m_n);
    for (int r = first; r <= last; ++r) {
        readRow(rows, r, fresh.data());
        double *old = values(r);
        for (int k = 0; k < m_n; ++k) {
            const double v = fresh[k];
            if (old[k] == v || (std::isnan(old[k]) && std::isnan(v)))
                continue;
            if (!std::isnan(old[k]))
                remove(m_acc[k], k, old[k]);
            if (!std::isnan(v))
                add(m_acc[k], k, v);
            old[k] = v;
        }
    }
}

void TColumnStats::rowsInserted(const TRowStore &rows, int first, int last)
{
    if (m_n == 0 || last < first)
        return;
    if (first != m_rowCount || last >= rows.RowCount()) {
        rebuild(rows);
        return;
    }
    for (int r = first; r <= last; ++r)
        appendRow(rows, r);
}

void TColumnStats::rowsRemoved(const TRowStore &rows, int first, int last)
{
    if (m_n == 0 || last < first)
        return;
    if (last != m_rowCount - 1 || first < 0) {
        rebuild(rows);
        return;
    }
    while (m_rowCount > first)
        dropLastRow();
}

std::vector<TStat> TColumnStats::totals() const
{
    std::vector<TStat> out;
    out.reserve(m_n);
    for (int k = 0; k < m_n; ++k) {
        if (m_acc[k].extremaStale)
            refreshExtrema(m_acc[k], k);
        out.push_back(result(m_acc[k]));
    }
    return out;
}

std::vector<TStat> TColumnStats::forRows(QList<std::pair<int, int>> ranges) const
{
    std::sort(ranges.begin(), ranges.end());
    std::vector<TAcc> acc(m_n);
    int done = -1; // rows up to here are summed
    for (auto [first, last] : ranges) {
        first = qMax(first, done + 1);
        last = qMin(last, m_rowCount - 1);
        for (int r = first; r <= last; ++r) {
            const double *v = values(r);
            for (int k = 0; k < m_n; ++k) {
                if (!std::isnan(v[k]))
                    add(acc[k], k, v[k]);
            }
        }
        done = qMax(done, last);
    }
    std::vector<TStat> out;
    out.reserve(m_n);
    for (const TAcc &a : acc)
        out.push_back(result(a));
    return out;
}
