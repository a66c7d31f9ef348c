#pragma once

// What a recovery journal gives back after a crash: the table as it stood, rebuilt from the
// journal's records over the rows its table started from. Plain functions over plain data; the
// window loads the base file and asks the operator.

#include <vector>

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

} // namespace JournalReplay
