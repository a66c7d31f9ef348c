#pragma once

// Archived results as the rows of a new results table, the oldest first, ending in one open
// row: the cells as the archive shows them today, control characters left out. What the
// table cannot hold byte for byte is named per row, for the operator to hear of.

#include <vector>

#include <QUuid>

#include "archive/ArchiveRecords.h"
#include "table/CellText.h"
#include "table/TRowStore.h"

struct THitRows
{
    TRowStore rows;
    std::vector<int> cleanedRows; // grid rows that lost control characters
    std::vector<TUnheldRow> unheld;
    // The archived result of each row, in the hits' order: the first is the row before the
    // open row, each next one a row higher. Empty when the rows are not linked to any.
    std::vector<QUuid> results;
};

namespace HitRows {

// hits: the newest first, as a search gives them.
THitRows table(const std::vector<TArchiveHit> &hits, int colCount);

} // namespace HitRows
