#pragma once

// The trend of the shown table: the values of the columns chosen in section "Trend" of the
// window's settings file, each at the time its row was measured, judged against the limits
// in force. The section holds one key:
//
//   [Trend]
//   Columns=6,9,15      the value columns to draw, by number, in this order
//
// A number that is no value column of the window, or one named twice, is skipped with a
// note; without the section, or with no column left, there is no trend. A row without a date
// and time that read back (the open row, a row edited by hand) gives no points, and a cell
// without a number gives none in its column.

#include <optional>
#include <vector>

#include <QList>
#include <QLocale>
#include <QStringList>

#include "export/TShownReader.h"
#include "quality/TCellNumber.h"
#include "quality/TLimits.h"

class TIniPlus;
class TRowStore;

struct TrendPoint
{
    qint64 atMs = 0; // milliseconds since the epoch, local time read as the grid shows it
    double value = 0;
    // Within, or Below / Above: the colour class it is drawn in, as the grid colours it.
    TVerdict verdict = TVerdict::Within;

    bool isOut() const { return verdict == TVerdict::Below || verdict == TVerdict::Above; }
    bool operator==(const TrendPoint &) const = default;
};

class TrendSeries
{
public:
    static const QString Section; // "Trend"

    // Keys firstCol .. lastCol are the window's value columns.
    static QList<int> readColumns(const TIniPlus &ini, int firstCol, int lastCol,
                                  QStringList *notes = nullptr);

    TrendSeries(QList<int> columns, TLimits limits, const QLocale &locale = QLocale::system());

    const QList<int> &columns() const { return m_columns; }
    const TLimits &limits() const { return m_limits; }
    void setLimits(const TLimits &limits) { m_limits = limits; }

    // The points of row `row` of the store, one per column in columns() order; nullopt for a
    // column without a number. False, and nothing set, for a row without a time.
    bool readRow(const TRowStore &rows, int row, std::vector<std::optional<TrendPoint>> *out);
    // Every row's points, a series per column, in row order.
    std::vector<std::vector<TrendPoint>> readAll(const TRowStore &rows);

private:
    QList<int> m_columns;
    TLimits m_limits;
    TCellNumber m_number;
    TShownReader m_shown;
};
