#pragma once

// A results table made ready for its protocol: values outside their limits marked as the
// screen colours them, and the statistics of every value column after the rows.

#include <vector>

#include <QLocale>
#include <QStringList>

#include "export/TExportTable.h"

class TLimits;
class TRowStore;

namespace ProtocolTable {

// Marks the table's number cells against the limits, read as the grid reads them; a table
// without limits stays unmarked.
void markLimits(TExportTable &table, const TLimits &limits);

// The statistics lines of the value columns firstCol .. colCount-1 over every row: count,
// mean, minimum, maximum, deviation and, with limits, the count outside them. Each line holds
// its name in nameCol and a value under each value column.
std::vector<QStringList> statistics(const TRowStore &rows, int firstCol, int colCount,
                                    const TLimits &limits, int nameCol, const QLocale &locale);

} // namespace ProtocolTable
