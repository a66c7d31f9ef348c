// Journals of any content: parsing never fails hard, the records read re-encode to a journal
// that reads back the same, and a journal cut short never yields more (or other) records.
// Replaying what was read over a table always gives a table of whole rows that ends in one
// numbered open row, grows by at most one row per record, and keeps the rows no record names.

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

#include "FuzzCheck.h"
#include "results/JournalReplay.h"
#include "results/TJournal.h"
#include "table/TableShape.h"

namespace {

bool sameRecord(const TJournal::Record &a, const TJournal::Record &b)
{
    return a.type == b.type && a.fromFile == b.fromFile && a.fileName == b.fileName
           && a.row == b.row && a.line == b.line && a.stamped == b.stamped
           && a.stamp.exists == b.stamp.exists && a.stamp.size == b.stamp.size
           && a.stamp.modifiedMs == b.stamp.modifiedMs && a.stamp.hash == b.stamp.hash;
}

bool startsWith(const std::vector<TJournal::Record> &all, const std::vector<TJournal::Record> &part)
{
    if (part.size() > all.size())
        return false;
    for (size_t i = 0; i < part.size(); ++i) {
        if (!sameRecord(all[i], part[i]))
            return false;
    }
    return true;
}

// A base table of `rows` results, `cols` columns.
TRowStore baseTable(int cols, int rows)
{
    TRowStore t(cols);
    for (int r = 0; r < rows; ++r)
        t.AppendLine(QByteArray::number(r + 1) + "\tlabel\t05.03.2024\t10:00:00\t1");
    t.endWithOpenRow();
    return t;
}

void checkReplay(const std::vector<TJournal::Record> &records, int cols, int rows)
{
    const TRowStore base = baseTable(cols, rows);
    const TRowStore out = JournalReplay::replay(records, base);
    const int count = out.RowCount();
    FUZZ_CHECK(count >= 1);
    FUZZ_CHECK(count <= base.RowCount() + int(records.size()) + 1);
    FUZZ_CHECK(out.CellEmpty(TableShape::DateCol, count - 1));
    FUZZ_CHECK(out.Cell(TableShape::NumberCol, count - 1) == QString::number(count));
    for (int r = 0; r < count; ++r)
        FUZZ_CHECK(out.Line(r).count('\t') == cols - 1);
    FUZZ_CHECK(JournalReplay::changedRows(records) <= int(records.size()));

    // A row that no record after the last base names is the base's row.
    std::vector<bool> named(size_t(base.RowCount()), false);
    const TJournal::Record *last = JournalReplay::lastBase(records);
    bool after = last == nullptr;
    for (const TJournal::Record &r : records) {
        if (&r == last)
            after = true;
        else if (after && r.row >= 1 && r.row <= base.RowCount())
            named[size_t(TableShape::storeRow(r.row))] = true;
    }
    for (int r = 0; r < base.RowCount() && r < count; ++r) {
        if (!named[size_t(r)])
            FUZZ_CHECK(out.Line(r) == base.Line(r));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact-size copy, so that a read past the end is caught.
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::vector<TJournal::Record> records = TJournal::Parse(bytes);

    QByteArray encoded;
    for (const TJournal::Record &r : records) {
        FUZZ_CHECK(r.type == TJournal::Record::Base || r.type == TJournal::Record::Row);
        FUZZ_CHECK(r.row >= 0);
        encoded.append(TJournal::Encode(r));
    }
    const std::vector<TJournal::Record> again = TJournal::Parse(encoded);
    FUZZ_CHECK(again.size() == records.size());
    FUZZ_CHECK(startsWith(again, records));
    // What a clean journal holds parses back to the byte.
    QByteArray twice;
    for (const TJournal::Record &r : again)
        twice.append(TJournal::Encode(r));
    FUZZ_CHECK(twice == encoded);

    // Prefixes: a torn write at any point keeps the records before it.
    const size_t cuts[] = {size / 2, size ? size - 1 : 0, size > 9 ? size_t(9) : size_t(0)};
    for (size_t cut : cuts) {
        const QByteArray part(reinterpret_cast<const char *>(data), static_cast<qsizetype>(cut));
        FUZZ_CHECK(startsWith(records, TJournal::Parse(part)));
    }
    // Anything appended after good records keeps them too.
    QByteArray longer = encoded;
    longer.append(bytes);
    FUZZ_CHECK(startsWith(TJournal::Parse(longer), records));

    checkReplay(records, 17, 0);
    checkReplay(records, 32, 3);
    checkReplay(records, 5, 2);
    return 0;
}
