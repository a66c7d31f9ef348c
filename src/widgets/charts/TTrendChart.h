#pragma once

// The trend of one column: its values over time as a line, the values outside the column's
// limits as points on the limits' blue and orange, and the limits as lines across. A long
// series is drawn as its envelope (TrendEnvelope), so a year of results draws as fast as a
// day. A new result changes the end of the series already drawn; a whole table is loaded
// at once.

#include <vector>

#include <QChart>
#include <QObject>
#include <QPointer>

#include "quality/TLimits.h"
#include "trend/TrendEnvelope.h"
#include "trend/TrendSeries.h"

class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

class TTrendChart : public QObject
{
    Q_OBJECT
public:
    TTrendChart(const QString &title, const TLimit &limit, QObject *parent = nullptr);
    ~TTrendChart() override;

    QChart *chart() const { return m_chart; }
    // The line's points are the series' envelope (TrendEnvelope), the out-of-norm ones all.
    QLineSeries *values() const { return m_values; }
    QScatterSeries *below() const { return m_below; }
    QScatterSeries *above() const { return m_above; }

    void load(const std::vector<TrendPoint> &points);
    void append(const TrendPoint &point);
    void setLimit(const TLimit &limit);

private:
    void widen(const TrendPoint &point);
    void drawAll();
    void showRanges();

    QPointer<QChart> m_chart; // the view's once it shows the chart
    QDateTimeAxis *m_x = nullptr;
    QValueAxis *m_y = nullptr;
    QLineSeries *m_values = nullptr;
    QScatterSeries *m_below = nullptr;
    QScatterSeries *m_above = nullptr;
    QLineSeries *m_min = nullptr;
    QLineSeries *m_max = nullptr;
    TLimit m_limit;
    TrendEnvelope m_envelope;
    bool m_empty = true;
    qint64 m_left = 0;
    qint64 m_right = 0;
    double m_low = 0;
    double m_high = 0;
    // The axes' ranges as last set.
    qint64 m_shownLeft = 0;
    qint64 m_shownRight = 0;
    double m_shownLow = 0;
    double m_shownHigh = 0;
};
