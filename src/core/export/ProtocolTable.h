#pragma once

// A results table made ready for its protocol: values outside their limits marked as the
// screen colours them, and the statistics of every value column after the rows.

#include <vector>

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include "export/TExportTable.h"

class TIniPlus;
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

// What the window knows of itself besides its settings file.
struct TWindowFacts
{
    QString model;
    QString deviceNumber;
    QDateTime printedAt;
};

// The registration table with its protocol: the header from section "Report" of the
// settings and the facts, the period of its rows, the norms, the marks and the statistics of
// the rows (a table without rows gets none). rows must outlive the table.
TExportTable withProtocol(TExportTable table, const TIniPlus &settings, const TLimits &limits,
                          const TRowStore &rows, const TWindowFacts &facts);

} // namespace ProtocolTable
