#pragma once

// Statistics of a table's value columns: count of numbers, mean, minimum, maximum, sample
// standard deviation and count outside the limits. Every value is read once into a cache
// (one double a cell, NaN for a cell that holds no number), so an appended or changed row
// costs one row's reading and the totals follow in constant time; a row selection is summed
// from the cache without reading any text again.

#include <utility>
#include <vector>

#include <QList>

#include "quality/TCellNumber.h"
#include "quality/TLimits.h"

class TRowStore;

struct TStat
{
    qint64 count = 0;
    double mean = std::numeric_limits<double>::quiet_NaN();
    double min = std::numeric_limits<double>::quiet_NaN();
    double max = std::numeric_limits<double>::quiet_NaN();
    double sd = std::numeric_limits<double>::quiet_NaN(); // needs two values
    qint64 outside = 0;
};

class TColumnStats
{
public:
    explicit TColumnStats(const TCellNumber &reader = TCellNumber())
        : m_reader(reader)
    {}

    // Columns firstCol .. colCount-1 are the value columns; forgets every row.
    void setShape(int firstCol, int colCount);
    int firstCol() const { return m_first; }
    int valueCount() const { return m_n; }
    void setLimits(const TLimits &limits);
    const TLimits &limits() const { return m_limits; }

    // Reads every row anew.
    void rebuild(const TRowStore &rows);
    // The table after the change. Rows come and go at the end of a results table; a change
    // anywhere else is read anew whole.
    void rowsChanged(const TRowStore &rows, int first, int last);
    void rowsInserted(const TRowStore &rows, int first, int last);
    void rowsRemoved(const TRowStore &rows, int first, int last);
    int rowCount() const { return m_rowCount; }

    // Index k is column firstCol + k.
    std::vector<TStat> totals() const;
    // Inclusive row ranges; a row in two ranges counts once.
    std::vector<TStat> forRows(QList<std::pair<int, int>> ranges) const;

private:
    // Sums of value - shift keep the variance exact for values far from zero (density 1028).
    struct TAcc
    {
        qint64 n = 0;
        double shift = 0;
        double sum = 0;
        double squares = 0;
        double min = 0;
        double max = 0;
        bool extremaStale = false;
        qint64 outside = 0;
    };
    static constexpr int BlockRows = 1024;

    void add(TAcc &a, int k, double v) const;
    void remove(TAcc &a, int k, double v);
    TStat result(const TAcc &a) const;
    void readRow(const TRowStore &rows, int row, double *out) const;
    void refreshExtrema(TAcc &a, int k) const;
    bool outside(int k, double v) const { return v < m_lo[k] || v > m_hi[k]; }
    const double *values(int row) const
    {
        return m_blocks[row / BlockRows].data() + size_t(row % BlockRows) * m_n;
    }
    double *values(int row)
    {
        return m_blocks[row / BlockRows].data() + size_t(row % BlockRows) * m_n;
    }
    void appendRow(const TRowStore &rows, int row);
    void dropLastRow();

    TCellNumber m_reader;
    TLimits m_limits;
    std::vector<double> m_lo; // a value column's limits; -inf and +inf where it has none
    std::vector<double> m_hi;
    int m_first = 0;
    int m_n = 0;
    int m_rowCount = 0;
    // Blocks of rows, m_n values a row: a year of rows grows without moving what it holds.
    std::vector<std::vector<double>> m_blocks;
    mutable std::vector<TAcc> m_acc;
};
