#include "results/JournalReplay.h"

#include <map>
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
    for (std::size_t i = firstAfterBase(records); i < records.size(); ++i) {
        if (records[i].type == TJournal::Record::Row)
            rows.insert(records[i].row);
    }
    return static_cast<int>(rows.size());
}

TRowStore replay(const std::vector<TJournal::Record> &records, TRowStore base)
{
    for (std::size_t i = firstAfterBase(records); i < records.size(); ++i) {
        const TJournal::Record &r = records[i];
        if (r.type != TJournal::Record::Row)
            continue;
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

Basis compare(const TJournal::Record &base, const TFileStamp &now)
{
    if (!base.stamped) {
        // A new table was never a file; a file that was loaded may have changed since.
        if (!base.fromFile && !now.exists)
            return Basis::Same;
        return now.exists ? Basis::Changed : Basis::Missing;
    }
    if (base.stamp.sameContent(now))
        return Basis::Same;
    return now.exists ? Basis::Changed : Basis::Missing;
}

std::vector<QByteArray> changedLines(const std::vector<TJournal::Record> &records)
{
    std::map<int, QByteArray> last;
    for (std::size_t i = firstAfterBase(records); i < records.size(); ++i) {
        if (records[i].type == TJournal::Record::Row && records[i].row >= 1)
            last[records[i].row] = records[i].line;
    }
    std::vector<QByteArray> lines;
    for (const auto &[row, line] : last) {
        // Past the number (the first cell) only TABs: a row emptied again.
        const qsizetype tab = line.indexOf('\t');
        const bool empty = tab < 0 || line.count('\t') == line.size() - tab;
        if (!empty)
            lines.push_back(line);
    }
    return lines;
}

TRowStore appendLines(TRowStore table, const std::vector<QByteArray> &lines)
{
    if (lines.empty()) {
        table.endWithOpenRow();
        return table;
    }
    const int last = table.RowCount() - 1;
    if (last >= 0) {
        bool empty = true;
        for (int c = TableShape::LabelCol; c < table.ColCount() && empty; ++c)
            empty = table.CellEmpty(c, last);
        if (empty)
            table.SetRowCount(last);
    }
    for (const QByteArray &line : lines) {
        table.AppendLine(line);
        const int row = table.RowCount() - 1;
        table.SetCellBytes(TableShape::NumberCol, row, QByteArray::number(TableShape::gridRow(row)));
    }
    table.endWithOpenRow();
    return table;
}

} // namespace JournalReplay
