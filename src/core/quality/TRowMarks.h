#pragma once

// The verdicts of a table's cells against the limits, read once per row and kept as one
// word a row (two bits a column), so painting a page of coloured cells costs a look-up per
// cell. A row is read when it is first asked for; the owner forgets rows as the table
// changes.

#include <deque>

#include "quality/TCellNumber.h"
#include "quality/TLimits.h"

class TRowStore;

class TRowMarks
{
public:
    enum Mark : quint8 { NoMark = 0, BelowMark = 1, AboveMark = 2 };
    // Columns 1 .. MaxCol can be judged (column 0 holds the row number).
    static constexpr int MaxCol = 31;

    explicit TRowMarks(const TCellNumber &reader = TCellNumber())
        : m_reader(reader)
    {}

    void setLimits(const TLimits &limits);
    const TLimits &limits() const { return m_limits; }
    const TCellNumber &reader() const { return m_reader; }

    TVerdict verdict(const TRowStore &rows, int row, int col);
    // BelowMark and/or AboveMark when a value of the row is outside its limits.
    quint8 rowMark(const TRowStore &rows, int row);

    // The table changed: rows [first, last] read anew, rows inserted or removed, or all.
    void forget(int first, int last);
    void inserted(int first, int count);
    void removed(int first, int count);
    void reset() { m_words.clear(); }

private:
    quint64 word(const TRowStore &rows, int row);
    quint64 readRow(const TRowStore &rows, int row) const;

    TCellNumber m_reader;
    TLimits m_limits;
    QList<int> m_cols;           // the judged columns, ascending
    std::deque<quint64> m_words; // bit 0: the row was read; bits 2c, 2c+1: column c
};
