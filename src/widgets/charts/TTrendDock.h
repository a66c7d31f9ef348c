#pragma once

// The trend of the shown results in a dock beside the table: a chart per column chosen in
// section "Trend" (TrendSeries), one above the other. It is loaded from the whole table when
// it opens and when the table is replaced, and follows each new result by adding its points.

#include <functional>
#include <vector>

#include <QDockWidget>
#include <QList>

#include "trend/TrendSeries.h"

class TRowStore;
class TTrendChart;

class TTrendDock : public QDockWidget
{
    Q_OBJECT
public:
    using Rows = std::function<const TRowStore &()>;

    // titles: the columns' titles, in the order of `columns`.
    TTrendDock(const QList<int> &columns, const QStringList &titles, const TLimits &limits,
               Rows rows, QWidget *parent = nullptr);

    int chartCount() const { return int(m_charts.size()); }
    TTrendChart *chart(int k) const { return m_charts[k]; }

    // The whole table again (a new table, a file opened).
    void reload();
    // Row `row` of the store took a result.
    void resultRow(int row);
    void setLimits(const TLimits &limits);

private:
    TrendSeries m_series;
    Rows m_rows;
    std::vector<TTrendChart *> m_charts;
};
