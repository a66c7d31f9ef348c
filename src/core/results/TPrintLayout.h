#pragma once

// Pages of a results table: a header with page number and file name, the column titles and as
// many rows as fit, on every page.

#include <functional>
#include <vector>

#include <QString>

#include "results/TPage.h"

struct TPrintColumn
{
    int col = 0; // grid column
    int x = 0;   // left edge on the page
};

// Grid columns 0..15 of the first family's table (the last one does not fit the paper):
// u = width div 34, column 0 at u, column 1 at 2u, column c at 2cu.
std::vector<TPrintColumn> TarvoPrintColumns(int pageWidth);

// The columns whose width is above 0, the k-th of them (k from 1) at k * u,
// u = width div (visible columns + 1).
std::vector<TPrintColumn> MirelPrintColumns(int pageWidth, const std::vector<int> &colWidths);

// Prints rows 1 .. rowCount - 1 of the table; cell(col, 0) are the titles.
// With L = page height div TextHeight("X") lines and a line step h = page height div L:
// the page header "Стр. p" + 20 blanks + file name (no folder) at (800, h), the titles at 3h and
// the rows from 4h on, L - 3 of them per page at most. A row whose text would run past the
// bottom edge moves to the next page, so nothing printed is cut off (with a text height equal
// to the one of "X" that is always the last of the L - 3). Every page holds at least one row,
// whatever the page size, so printing always ends; no page is begun without a row for it.
// A row's cells print as the grid shows them (ShownText): a giant cell by its beginning and
// "…", on paper and in the preview alike, whatever text cell() gives.
void PrintTable(TPage &page, const std::function<QString(int col, int row)> &cell, int rowCount,
                const std::vector<TPrintColumn> &columns, const QString &fileName);
