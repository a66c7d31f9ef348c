#pragma once

// The results file: one line per data row, the cells of columns 1 .. ColCount-1 joined by
// TAB, CR LF line ends, Windows-1251 bytes as the table holds them. Column 0, the row
// number, is not stored; it is given afresh on loading.

#include <QString>

#include "table/TRowStore.h"

class TResultsFile
{
public:
    // rows: the data rows of the grid (grid row 1 = store row 0), open row included.
    // Replaces the file whole or not at all: on failure the old file is untouched.
    static bool Save(const QString &path, const TRowStore &rows, QString *error);
    // Replaces rows by the file's rows, numbered 1, 2, 3 ... in column 0, always ending in
    // one open row whose date cell is empty. A missing file gives that open row alone.
    // On failure rows is left as it was.
    static bool Load(const QString &path, int colCount, TRowStore &rows, QString *error);

    // Not a results file the program could have written in years of work.
    static constexpr qint64 MaxFileSize = qint64(1) << 30;
    static constexpr int DateColumn = 2;
};
