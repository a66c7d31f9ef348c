#include "results/JournalReplay.h"

#include <set>

#include "table/TableShape.h"

namespace JournalReplay {

namespace {

// The records after the last base, or all of them when there is no base.
std::size_t firstAfterBase(const std::vector<TJournal::Record> &records)
{
    for (std::size_t i = records.size(); i > 0; --i) {
        if (records[i - 1].type == TJournal::Record::Base)
            return i;
    }
    return 0;
}

} // namespace

const TJournal::Record *lastBase(const std::vector<TJournal::Record> &records)
{
    const std::size_t first = firstAfterBase(records);
    return first > 0 ? &records[first - 1] : nullptr;
}

int changedRows(const std::vector<TJournal::Record> &records)
{
    std::set<int> rows;
    for (std::size_t i = firstAfterBase(records); i < records.size(); ++i)
        rows.insert(records[i].row);
    return static_cast<int>(rows.size());
}

TRowStore replay(const std::vector<TJournal::Record> &records, TRowStore base)
{
    for (std::size_t i = firstAfterBase(records); i < records.size(); ++i) {
        const TJournal::Record &r = records[i];
        const int row = TableShape::storeRow(r.row);
        if (row < 0 || row > base.RowCount())
            continue;
        if (row == base.RowCount())
            base.AppendRow();
        base.SetLine(row, r.line);
    }
    base.endWithOpenRow();
    return base;
}

} // namespace JournalReplay
