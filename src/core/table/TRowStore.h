#pragma once

// The data rows of a results table, kept compact for a year of results: each row is one
// Windows-1251 byte string holding its cells 0 .. ColCount-1 joined by TAB. A cell never
// holds TAB, CR or LF; SetCell turns them into blanks so a row stays one line of a file.

#include <deque>
#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringView>

class TRowStore
{
public:
    explicit TRowStore(int colCount = 1) : m_colCount(colCount < 1 ? 1 : colCount) {}

    int ColCount() const { return m_colCount; }
    // Keeps cells 0 .. count-1 of every row; new cells are empty.
    void SetColCount(int count);
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // Grows with empty rows or drops rows from the end.
    void SetRowCount(int count);
    void AppendRow() { m_rows.push_back(emptyLine()); }
    void Clear() { m_rows.clear(); }
    void Reserve(int) {} // a deque needs no room set aside; kept for callers

    QString Cell(int col, int row) const;
    QByteArrayView CellBytes(int col, int row) const;
    bool CellEmpty(int col, int row) const { return CellBytes(col, row).isEmpty(); }
    void SetCell(int col, int row, QStringView text);
    void SetCellBytes(int col, int row, QByteArrayView bytes);

    // The whole row, ColCount cells joined by ColCount-1 TABs.
    const QByteArray &Line(int row) const { return m_rows[row]; }
    // Takes a line of cells; missing cells are empty, surplus TABs are dropped so that the
    // surplus text runs into the last cell.
    void SetLine(int row, QByteArray line);
    void AppendLine(QByteArray line);

    // The table ends in one numbered open row, which the next result fills: when the table is
    // empty or its last row holds a result (a date), an empty row is added; the last row then
    // carries its grid row number. `adding` hears of a new row's index before it is added (a
    // model announces the insert). True when a row was added.
    bool endWithOpenRow(const std::function<void(int row)> &adding = {});

private:
    QByteArray emptyLine() const { return QByteArray(m_colCount - 1, '\t'); }
    // [begin, end) of a cell inside its row.
    std::pair<qsizetype, qsizetype> span(int col, int row) const;
    QByteArray normalised(QByteArray line) const;

    int m_colCount;
    // A deque grows without moving the rows it holds: no stall when a year of rows grows.
    std::deque<QByteArray> m_rows;
};
