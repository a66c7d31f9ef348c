#pragma once

// Whether a results file's table fits in this computer's memory. A file is refused when the
// memory its opening needs (the file read whole, then its rows) is more than the machine can
// give without swapping, leaving a quarter of it for everything else: a file that fits the
// disk but not the memory must be told, not take the program down.

#include <QByteArray>
#include <QString>

namespace TableBudget {

// Bytes one row costs beyond its cells: the row's own bookkeeping in the table and its number;
// besides, ColumnCost for each column: the TABs a short line is padded with and the room the
// allocator cannot use again while rows grow to their width (measured: up to 300 bytes for a
// row of 100 bytes in 32 columns, 105 for an empty one in 17).
constexpr qint64 RowOverhead = 72;
constexpr qint64 ColumnCost = 4;

// What opening a file of `bytes` bytes and `lines` lines into `colCount` columns needs at its
// peak: the file read whole and the table made of it.
qint64 openingCost(qint64 bytes, qint64 lines, int colCount);

// MemAvailable of /proc/meminfo in bytes; -1 when it does not say.
qint64 parseMemAvailable(const QByteArray &meminfo);
// The memory this computer can give now (or what setAvailable set); -1 when unknown.
qint64 available();
// Tests and benches: a machine of `bytes` available memory; -1 reads /proc/meminfo again.
void setAvailable(qint64 bytes);

// True when a cost fits what is available (an unknown amount fits); otherwise *why says, in
// Russian, how much is needed and how much there is.
bool fits(qint64 cost, QString *why);
// The same against an amount read once beforehand (available()), for a check made often.
bool fits(qint64 cost, qint64 have, QString *why);

} // namespace TableBudget
