#pragma once

// An Excel workbook of one sheet through libxlsxwriter: a header row of titles (frozen),
// values as numbers with as many decimals as shown, dates and times as date cells, labels
// always as text, widths from the content, values outside their limits on the screen's
// backgrounds, an autofilter over the header. Written row by row, so a year of rows needs
// little memory; numbers in the file have a decimal point in every locale.

#include <QString>

#include "export/TExportTable.h"

class TXlsxExport
{
public:
    // Replaces the file whole or not at all.
    static bool write(const TExportTable &table, const QString &path, QString *error);

    // Rows of a sheet, the header row included.
    static constexpr int MaxRows = 1048576;
    // Characters a cell can hold.
    static constexpr int MaxCellText = 32767;
};
