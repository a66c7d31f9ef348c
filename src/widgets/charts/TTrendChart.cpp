#include "charts/TTrendChart.h"

#include <algorithm>
#include <cmath>

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include "quality/TLimitColors.h"
#include "text/ChartStrings.h"

namespace {

QList<QPointF> pointsOf(const std::vector<TrendPoint> &points)
{
    QList<QPointF> made;
    made.reserve(qsizetype(points.size()));
    for (const TrendPoint &p : points)
        made.append(QPointF(double(p.atMs), p.value));
    return made;
}

} // namespace

TTrendChart::TTrendChart(const QString &title, const TLimit &limit, QObject *parent)
    : QObject(parent)
    , m_chart(new QChart)
{
    m_chart->setTitle(title);
    m_chart->legend()->hide();
    m_x = new QDateTimeAxis(m_chart);
    m_x->setFormat(QStringLiteral("dd.MM HH:mm"));
    m_y = new QValueAxis(m_chart);
    m_chart->addAxis(m_x, Qt::AlignBottom);
    m_chart->addAxis(m_y, Qt::AlignLeft);
    const auto attach = [this](QXYSeries *s, const QString &name) {
        s->setName(name);
        m_chart->addSeries(s);
        s->attachAxis(m_x);
        s->attachAxis(m_y);
    };
    m_values = new QLineSeries(m_chart);
    // A thin line draws a year of results in one pass; the wider default is stroked outline
    // by outline, a hundred times slower.
    QPen thin(QColor(0x20, 0x4a, 0x87), 1);
    thin.setCosmetic(true);
    m_values->setPen(thin);
    attach(m_values, title);
    m_below = new QScatterSeries(m_chart);
    m_below->setColor(TLimitColors::belowHue());
    m_below->setMarkerSize(7);
    m_below->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    attach(m_below, Str::TrendBelow.arg(title));
    m_above = new QScatterSeries(m_chart);
    m_above->setColor(TLimitColors::aboveHue());
    m_above->setMarkerSize(7);
    m_above->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    attach(m_above, Str::TrendAbove.arg(title));
    m_min = new QLineSeries(m_chart);
    m_min->setPen(QPen(TLimitColors::belowHue(), 1, Qt::DashLine));
    attach(m_min, Str::TrendMin.arg(title));
    m_max = new QLineSeries(m_chart);
    m_max->setPen(QPen(TLimitColors::aboveHue(), 1, Qt::DashLine));
    attach(m_max, Str::TrendMax.arg(title));
    m_limit = limit;
    showRanges();
}

TTrendChart::~TTrendChart()
{
    // The chart belongs to the view that shows it once one does; until then to this.
    if (m_chart && !m_chart->scene())
        delete m_chart;
}

void TTrendChart::widen(const TrendPoint &p)
{
    if (m_empty) {
        m_left = m_right = p.atMs;
        m_low = m_high = p.value;
        m_empty = false;
        return;
    }
    m_left = std::min(m_left, p.atMs);
    m_right = std::max(m_right, p.atMs);
    m_low = std::min(m_low, p.value);
    m_high = std::max(m_high, p.value);
}

void TTrendChart::load(const std::vector<TrendPoint> &points)
{
    m_empty = true;
    for (const TrendPoint &p : points)
        widen(p);
    m_envelope.load(points);
    drawAll();
    showRanges();
}

void TTrendChart::drawAll()
{
    // One replace per series: a year of results is drawn once, not point by point.
    const std::vector<TrendPoint> &drawn = m_envelope.drawn();
    m_values->replace(pointsOf(drawn));
    std::vector<TrendPoint> below;
    std::vector<TrendPoint> above;
    for (const TrendPoint &p : drawn) {
        if (p.verdict == TVerdict::Below)
            below.push_back(p);
        else if (p.verdict == TVerdict::Above)
            above.push_back(p);
    }
    m_below->replace(pointsOf(below));
    m_above->replace(pointsOf(above));
}

void TTrendChart::append(const TrendPoint &p)
{
    // The axes move only when the point falls outside them: they leave room to the right,
    // so most results are drawn without laying out the whole series again for new axes.
    const bool outside = m_empty || p.atMs > m_shownRight || p.atMs < m_shownLeft
                         || p.value > m_shownHigh || p.value < m_shownLow;
    widen(p);
    const TrendEnvelope::Change change = m_envelope.append(p);
    if (change.remade) {
        drawAll();
    } else {
        // The points taken off are the last ones of each series, as they are the latest.
        const auto takeOff = [](QXYSeries *series, int n) {
            if (n > 0)
                series->removePoints(series->count() - n, n);
        };
        const auto count = [](const std::vector<TrendPoint> &points, TVerdict v) {
            return int(std::count_if(points.begin(), points.end(),
                                     [v](const TrendPoint &d) { return d.verdict == v; }));
        };
        takeOff(m_values, int(change.removed.size()));
        takeOff(m_below, count(change.removed, TVerdict::Below));
        takeOff(m_above, count(change.removed, TVerdict::Above));
        for (const TrendPoint &d : change.added) {
            m_values->append(double(d.atMs), d.value);
            if (d.verdict == TVerdict::Below)
                m_below->append(double(d.atMs), d.value);
            else if (d.verdict == TVerdict::Above)
                m_above->append(double(d.atMs), d.value);
        }
    }
    if (outside)
        showRanges();
}

void TTrendChart::setLimit(const TLimit &limit)
{
    m_limit = limit;
    showRanges();
}

void TTrendChart::showRanges()
{
    double low = m_empty ? 0 : m_low;
    double high = m_empty ? 1 : m_high;
    // The limits stay in sight even while every value is far from them.
    for (const double bound : {m_limit.min, m_limit.max}) {
        if (!std::isnan(bound)) {
            low = std::min(low, bound);
            high = std::max(high, bound);
        }
    }
    const double margin = high > low ? (high - low) * 0.05 : 1;
    const qint64 left = m_empty ? QDateTime::currentMSecsSinceEpoch() : m_left;
    constexpr qint64 TenMinutes = 600000;
    const qint64 room = std::max((m_right - m_left) / 20, TenMinutes);
    const qint64 right = (m_empty ? left : m_right) + room;
    m_shownLeft = left;
    m_shownRight = right;
    m_shownLow = low - margin;
    m_shownHigh = high + margin;
    const auto across = [&](QLineSeries *line, bool has, double at) {
        if (has)
            line->replace({QPointF(double(left), at), QPointF(double(right), at)});
        else
            line->clear();
    };
    across(m_min, m_limit.hasMin(), m_limit.min);
    across(m_max, m_limit.hasMax(), m_limit.max);
    m_x->setRange(QDateTime::fromMSecsSinceEpoch(left), QDateTime::fromMSecsSinceEpoch(right));
    m_y->setRange(m_shownLow, m_shownHigh);
}
