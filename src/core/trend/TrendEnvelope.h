#pragma once

// What a chart of a long series draws: the series cut into stretches of equal time, about a
// pixel column each of a chart as wide as a screen (1000 by default), and of each stretch its lowest and its highest value in time
// order (one point when they are the same). The line then runs through every peak and dip
// a screen can show, and a year of results draws as two thousand points at most. A stretch that
// holds a value below its limit has its lowest below it, and one above its highest above:
// the out-of-norm points drawn are those among the drawn ones, one of each kind a stretch. A point added
// later changes only its stretch, the last one, or starts a new one; when the stretches grow
// to twice as many as asked for, they are made again twice as wide.

#include <vector>

#include "trend/TrendSeries.h"

class TrendEnvelope
{
public:
    explicit TrendEnvelope(int stretches = 1000);

    // The whole series, in time order; drawn() is made anew.
    void load(const std::vector<TrendPoint> &points);

    // What append changed at the end of drawn(): `removed` taken off, then `added` put on;
    // `remade` when drawn() was made anew (the stretches widened).
    struct Change
    {
        std::vector<TrendPoint> removed;
        std::vector<TrendPoint> added;
        bool remade = false;
    };
    Change append(const TrendPoint &point);

    const std::vector<TrendPoint> &drawn() const { return m_drawn; }
    qint64 width() const { return m_width; }

private:
    struct Stretch
    {
        qint64 slot = 0; // its start is m_start + slot * m_width
        TrendPoint low;
        TrendPoint high;
        bool single = true;
    };
    void build();
    void add(const TrendPoint &point);
    // The stretch's points as drawn, in time order.
    static void drawInto(const Stretch &s, std::vector<TrendPoint> *out);

    int m_wanted;
    qint64 m_start = 0;
    qint64 m_width = 1;
    std::vector<TrendPoint> m_points;
    std::vector<Stretch> m_stretches;
    std::vector<TrendPoint> m_drawn;
};
