#include "quality/TRowMarks.h"

#include <cmath>
#include <cstring>

#include "table/TRowStore.h"

namespace {
constexpr quint64 ReadBit = 1;
}

void TRowMarks::setLimits(const TLimits &limits)
{
    m_limits = limits;
    m_cols.clear();
    for (int col : limits.columns()) {
        if (col >= 1 && col <= MaxCol)
            m_cols << col;
    }
    m_words.clear();
}

quint64 TRowMarks::readRow(const TRowStore &rows, int row) const
{
    quint64 w = ReadBit;
    if (m_cols.isEmpty())
        return w;
    // One pass along the row's TABs picks out the judged cells.
    const QByteArray &line = rows.Line(row);
    const char *p = line.constData();
    const char *const e = p + line.size();
    int next = 0; // index into m_cols
    for (int col = 0; next < m_cols.size(); ++col) {
        if (col == m_cols[next]) {
            const double v = m_reader.scan(p, e);
            const TVerdict verdict = std::isnan(v) ? TVerdict::NotNumber : m_limits.judge(col, v);
            w |= quint64(verdict) << (2 * col);
            ++next;
        } else {
            const char *tab = static_cast<const char *>(memchr(p, '\t', e - p));
            p = tab ? tab : e;
        }
        if (p == e)
            break;
        ++p; // the TAB
    }
    return w;
}

quint64 TRowMarks::word(const TRowStore &rows, int row)
{
    if (row < 0 || row >= rows.RowCount())
        return ReadBit;
    if (m_words.size() < size_t(rows.RowCount()))
        m_words.resize(rows.RowCount(), 0);
    quint64 &w = m_words[row];
    if (!(w & ReadBit))
        w = readRow(rows, row);
    return w;
}

TVerdict TRowMarks::verdict(const TRowStore &rows, int row, int col)
{
    if (col < 1 || col > MaxCol || m_cols.isEmpty())
        return TVerdict::NotNumber;
    return TVerdict((word(rows, row) >> (2 * col)) & 3);
}

quint8 TRowMarks::rowMark(const TRowStore &rows, int row)
{
    if (m_cols.isEmpty())
        return NoMark;
    const quint64 w = word(rows, row);
    quint8 mark = NoMark;
    for (int col : m_cols) {
        const auto v = TVerdict((w >> (2 * col)) & 3);
        if (v == TVerdict::Below)
            mark |= BelowMark;
        else if (v == TVerdict::Above)
            mark |= AboveMark;
    }
    return mark;
}

void TRowMarks::forget(int first, int last)
{
    first = qMax(first, 0);
    last = qMin<qint64>(last, qint64(m_words.size()) - 1);
    for (int r = first; r <= last; ++r)
        m_words[r] = 0;
}

void TRowMarks::inserted(int first, int count)
{
    if (count <= 0 || first < 0)
        return;
    if (size_t(first) >= m_words.size())
        return; // rows beyond what was read are read when asked for
    m_words.insert(m_words.begin() + first, size_t(count), 0);
}

void TRowMarks::removed(int first, int count)
{
    if (count <= 0 || first < 0 || size_t(first) >= m_words.size())
        return;
    const size_t end = qMin(m_words.size(), size_t(first) + size_t(count));
    m_words.erase(m_words.begin() + first, m_words.begin() + end);
}
