#pragma once

// What an export writes: a table as the operator sees it. The results table and the archive's
// search results both fill one; CSV, XLSX and the PDF report read it. Cells are the texts
// shown on screen (values with the locale's decimal separator, dates and times in the
// locale's formats); each writer turns them back into numbers and dates where it can. A table
// that keeps its values as numbers (the archive's hits) hands those on instead.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QLocale>
#include <QString>
#include <QStringList>

#include "table/ShownNumber.h"

class QAbstractItemModel;
class TStringGridModel;
struct TProtocolHeader;

// What a column holds, so that a writer knows a number from a label that looks like one.
enum class TCellKind { Text, Integer, Number, Date, Time };

// Where a value stands against its limits.
enum class TLimitClass { Within, Below, Above };

struct TExportTable
{
    QStringList titles;           // one per column: the column count
    std::vector<TCellKind> kinds; // per column; a column without an entry holds text
    std::vector<bool> visible;    // per column; a column without an entry is visible
    int rowCount = 0;
    // The text shown in a column of a row, row from 0 to rowCount - 1.
    std::function<QString(int col, int row)> cell;
    // Optional: the number a Number or Integer cell shows, for a table that keeps its values
    // as numbers; none where the cell shows no number. Without it the number is read from the
    // cell's text, as the program writes values.
    std::function<std::optional<ShownNumber::Value>(int col, int row)> number;
    // Optional: a value's place against its limits. Asked for number cells only.
    std::function<TLimitClass(int col, int row)> limitClass;
    // Optional: lines printed after the rows, each a list of cell texts by column.
    std::function<std::vector<QStringList>()> statistics;
    // The locale the texts were shown in.
    QLocale locale = QLocale::system();
    // The table's name for the report's page header (a file name, a search).
    QString name;
    // The first this many exported columns name a row (number, label); a report too wide for
    // one page repeats them on each part.
    int keyColumns = 2;
    // Backgrounds of values outside their limits, 0xRRGGBB: blue below, orange above.
    std::uint32_t belowColour = 0x9CC3F0;
    std::uint32_t aboveColour = 0xFFB862;
    // Optional: the report becomes a test protocol with this header and footer.
    std::shared_ptr<const TProtocolHeader> protocol;

    int columnCount() const { return static_cast<int>(titles.size()); }
    TCellKind kind(int col) const;
    bool isVisible(int col) const;
    // The number a Number or Integer cell shows; text is what cell() gave for it.
    std::optional<ShownNumber::Value> numberAt(int col, int row, const QString &text) const;
    // The visible columns, left to right.
    std::vector<int> exportedColumns() const;
};

// The registration tables' columns: row number, label, date, time, group, then values.
std::vector<TCellKind> registrationKinds(int colCount);

// A registration table: its titles and data rows without the empty open row at the end.
// A column whose width is 0 is hidden; no widths means all columns show. The model must
// outlive the export.
TExportTable ExportTableOf(const TStringGridModel &model, const std::vector<int> &colWidths = {});

// Any table model (search results): horizontal header titles and display texts. Every column
// holds text until the caller sets kinds. The model must outlive the export.
TExportTable ExportTableOfModel(const QAbstractItemModel &model);
