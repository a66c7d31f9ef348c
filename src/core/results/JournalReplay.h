#pragma once

// What a recovery journal gives back after a crash: the table as it stood, rebuilt from the
// journal's records over the rows its table started from. Plain functions over plain data; the
// window loads the base file and asks the operator.

#include <vector>

#include <QByteArray>

#include "results/TFileStamp.h"
#include "results/TJournal.h"
#include "table/TRowStore.h"

namespace JournalReplay {

// The base record the journal's table started from last (a results file or a new table), or
// nullptr when the journal holds none.
const TJournal::Record *lastBase(const std::vector<TJournal::Record> &records);

// How many rows changed after that base: what the journal can give back.
int changedRows(const std::vector<TJournal::Record> &records);

// The table the journal leaves: base (the rows of that base's file, or a new table) with every
// row record after the last base written over it, in order, ending in one open row. Rows only
// ever grow one at a time, so a record further than one row past the end is damage and is
// skipped.
TRowStore replay(const std::vector<TJournal::Record> &records, TRowStore base);

// How the file a base record names is now, against what it was when the table started.
enum class Basis {
    Same,    // as it was (or missing then and now): the rows go back where they stood
    Changed, // other content, or there now and not then: the rows go after its rows
    Missing, // there then and gone now: the rows are a table of their own
};
// A base of an earlier version of the program, which kept no stamp, counts as changed when
// the file exists, so that none of its rows is written over.
Basis compare(const TJournal::Record &base, const TFileStamp &now);

// Every row changed after the last base, as it stood last, in row order; rows that hold
// nothing but their number are left out.
std::vector<QByteArray> changedLines(const std::vector<TJournal::Record> &records);

// The table with lines added after its rows, numbered on from them, ending in one open row.
// An empty open row at its end makes room; an open row with a label stays where it is.
TRowStore appendLines(TRowStore table, const std::vector<QByteArray> &lines);

} // namespace JournalReplay
