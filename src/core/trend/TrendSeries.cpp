#include "trend/TrendSeries.h"

#include <QDateTime>

#include "settings/TIniPlus.h"
#include "table/TRowStore.h"
#include "table/TableShape.h"
#include "text/ChartStrings.h"

const QString TrendSeries::Section = QStringLiteral("Trend");

QList<int> TrendSeries::readColumns(const TIniPlus &ini, int firstCol, int lastCol,
                                    QStringList *notes)
{
    QList<int> columns;
    const QString text = ini.ReadString(Section, QStringLiteral("Columns"), QString());
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts)) {
        const QString item = part.trimmed();
        if (item.isEmpty())
            continue;
        bool ok = false;
        const int col = item.toInt(&ok);
        if (!ok || col < firstCol || col > lastCol || columns.contains(col)) {
            if (notes)
                notes->append(Str::TrendNoteBadColumn.arg(item));
            continue;
        }
        columns.append(col);
    }
    return columns;
}

TrendSeries::TrendSeries(QList<int> columns, TLimits limits, const QLocale &locale)
    : m_columns(std::move(columns))
    , m_limits(std::move(limits))
    , m_number(locale)
    , m_shown(locale)
{}

bool TrendSeries::readRow(const TRowStore &rows, int row,
                          std::vector<std::optional<TrendPoint>> *out)
{
    QDate date;
    QTime time;
    if (!m_shown.date(rows.Cell(TableShape::DateCol, row), &date)
        || !m_shown.time(rows.Cell(TableShape::TimeCol, row), &time))
        return false;
    const qint64 at = QDateTime(date, time).toMSecsSinceEpoch();
    out->assign(m_columns.size(), std::nullopt);
    for (int k = 0; k < m_columns.size(); ++k) {
        const int col = m_columns[k];
        if (col >= rows.ColCount())
            continue;
        const std::optional<double> value = m_number.read(rows.CellBytes(col, row));
        if (!value || !std::isfinite(*value))
            continue;
        (*out)[k] = TrendPoint{at, *value, m_limits.judge(col, *value)};
    }
    return true;
}

std::vector<std::vector<TrendPoint>> TrendSeries::readAll(const TRowStore &rows)
{
    std::vector<std::vector<TrendPoint>> series(m_columns.size());
    std::vector<std::optional<TrendPoint>> points;
    for (int row = 0; row < rows.RowCount(); ++row) {
        if (!readRow(rows, row, &points))
            continue;
        for (size_t k = 0; k < points.size(); ++k) {
            if (points[k])
                series[k].push_back(*points[k]);
        }
    }
    return series;
}
