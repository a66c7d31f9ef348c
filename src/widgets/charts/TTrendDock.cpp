#include "charts/TTrendDock.h"

#include <QChartView>
#include <QVBoxLayout>

#include "charts/TTrendChart.h"
#include "text/ChartStrings.h"

TTrendDock::TTrendDock(const QList<int> &columns, const QStringList &titles, const TLimits &limits,
                       Rows rows, QWidget *parent)
    : QDockWidget(Str::TrendCaption, parent)
    , m_series(columns, limits)
    , m_rows(std::move(rows))
{
    setObjectName(QStringLiteral("trendDock"));
    auto *inside = new QWidget(this);
    auto *layout = new QVBoxLayout(inside);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int k = 0; k < columns.size(); ++k) {
        auto *chart = new TTrendChart(titles.value(k), limits.limit(columns[k]), this);
        auto *view = new QChartView(chart->chart(), inside);
        view->setRubberBand(QChartView::HorizontalRubberBand);
        view->setMinimumHeight(120);
        layout->addWidget(view);
        m_charts.push_back(chart);
    }
    setWidget(inside);
    reload();
}

void TTrendDock::reload()
{
    const std::vector<std::vector<TrendPoint>> series = m_series.readAll(m_rows());
    for (size_t k = 0; k < m_charts.size(); ++k)
        m_charts[k]->load(series[k]);
}

void TTrendDock::resultRow(int row)
{
    std::vector<std::optional<TrendPoint>> points;
    if (!m_series.readRow(m_rows(), row, &points))
        return;
    for (size_t k = 0; k < m_charts.size(); ++k) {
        if (points[k])
            m_charts[k]->append(*points[k]);
    }
}

void TTrendDock::setLimits(const TLimits &limits)
{
    m_series.setLimits(limits);
    for (size_t k = 0; k < m_charts.size(); ++k)
        m_charts[k]->setLimit(limits.limit(m_series.columns()[int(k)]));
    // The out-of-norm points are judged again under the new limits.
    reload();
}
