#include "export/ProtocolTable.h"

#include <algorithm>

#include <memory>

#include "export/TProtocolHeader.h"
#include "quality/StatsText.h"
#include "quality/TCellNumber.h"
#include "quality/TColumnStats.h"
#include "quality/TLimits.h"
#include "table/TRowStore.h"
#include "table/TableShape.h"

namespace ProtocolTable {

void markLimits(TExportTable &table, const TLimits &limits)
{
    if (limits.isEmpty())
        return;
    table.limitClass = [cell = table.cell, limits, reader = TCellNumber(table.locale)](int col,
                                                                                       int row) {
        switch (limits.classify(col, QStringView(cell(col, row)), reader)) {
        case TVerdict::Below:
            return TLimitClass::Below;
        case TVerdict::Above:
            return TLimitClass::Above;
        case TVerdict::NotNumber:
        case TVerdict::Within:
            break;
        }
        return TLimitClass::Within;
    };
}

std::vector<QStringList> statistics(const TRowStore &rows, int firstCol, int colCount,
                                    const TLimits &limits, int nameCol, const QLocale &locale)
{
    TColumnStats stats{TCellNumber(locale)};
    stats.setShape(firstCol, colCount);
    stats.setLimits(limits);
    stats.rebuild(rows);
    const std::vector<TStat> totals = stats.totals();
    std::vector<QStringList> out;
    for (TStatLine line : StatsText::lines(!limits.isEmpty())) {
        QStringList cells(std::max(colCount, nameCol + 1));
        cells[nameCol] = StatsText::lineName(line, false);
        for (int k = 0; k < int(totals.size()); ++k) {
            const int col = firstCol + k;
            cells[col] = StatsText::cell(line, totals[k], limits.limit(col).isSet(), locale);
        }
        out.push_back(cells);
    }
    return out;
}

TExportTable withProtocol(TExportTable table, const TIniPlus &settings, const TLimits &limits,
                          const TRowStore &rows, const TWindowFacts &facts)
{
    auto header = std::make_shared<TProtocolHeader>();
    header->locale = table.locale;
    header->readSettings(settings);
    header->model = facts.model;
    header->deviceNumber = facts.deviceNumber;
    header->printedAt = facts.printedAt;
    header->takePeriod(table);
    header->takeNorms(limits, table);
    table.protocol = header;
    markLimits(table, limits);
    if (table.rowCount > 0) {
        table.statistics = [&rows, limits, locale = table.locale] {
            return statistics(rows, TableShape::FirstValueCol, rows.ColCount(), limits,
                              TableShape::LabelCol, locale);
        };
    }
    return table;
}

} // namespace ProtocolTable
