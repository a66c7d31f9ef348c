#pragma once

// The roles of the results table's columns, the same in both windows. Row 0 holds the titles;
// the table ends in one numbered, empty open row that the next result fills
// (TRowStore::endWithOpenRow).

namespace TableShape {
constexpr int NumberCol = 0; // the row's number
constexpr int LabelCol = 1;  // the sample label the operator types
constexpr int DateCol = 2;   // empty in the open row
constexpr int TimeCol = 3;
constexpr int GroupCol = 4;      // the instrument's group or count
constexpr int FirstValueCol = 5; // the measured values follow

// Grid row 0 holds the titles, so grid row r is row r - 1 of the row store (and of the grid's
// model). The recovery journal counts rows as the grid does.
constexpr int storeRow(int gridRow)
{
    return gridRow - 1;
}
constexpr int gridRow(int storeRow)
{
    return storeRow + 1;
}
} // namespace TableShape
