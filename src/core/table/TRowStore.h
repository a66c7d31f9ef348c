#pragma once

// The data rows of a results table, kept compact for years of results: each row is one
// Windows-1251 line holding its cells 0 .. ColCount-1 joined by TAB. A cell never holds TAB,
// CR or LF; SetCell turns them into blanks so a row stays one line of a file.
//
// The lines lie back to back in two buffers, each row an offset and a length: the rows read
// from a file, which are never written over (a copy of the store shares them however either
// side changes later), and the rows added or changed since. A changed row is written anew;
// the bytes it leaves behind are given back once they outweigh the rows still in use.

#include <deque>
#include <functional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class TRowStore
{
public:
    explicit TRowStore(int colCount = 1)
        : m_colCount(colCount < 1 ? 1 : colCount)
    {}

    int ColCount() const { return m_colCount; }
    // Keeps cells 0 .. count-1 of every row; new cells are empty.
    void SetColCount(int count);
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // Grows with empty rows or drops rows from the end.
    void SetRowCount(int count);
    void AppendRow();
    void Clear() { *this = TRowStore(m_colCount); }

    QString Cell(int col, int row) const;
    // Valid until the store next changes.
    QByteArrayView CellBytes(int col, int row) const;
    bool CellEmpty(int col, int row) const { return CellBytes(col, row).isEmpty(); }
    void SetCell(int col, int row, QStringView text);
    void SetCellBytes(int col, int row, QByteArrayView bytes);

    // The whole row, ColCount cells joined by ColCount-1 TABs.
    QByteArray Line(int row) const { return LineView(row).toByteArray(); }
    // The same without a copy; valid until the store next changes.
    QByteArrayView LineView(int row) const;
    // Takes a line of cells; missing cells are empty, surplus TABs are dropped so that the
    // surplus text runs into the last cell.
    void SetLine(int row, QByteArray line);
    void AppendLine(QByteArray line);

    // The table ends in one numbered open row, which the next result fills: when the table is
    // empty or its last row holds a result (a date), an empty row is added; the last row then
    // carries its grid row number. `adding` hears of a new row's index before it is added (a
    // model announces the insert). True when a row was added.
    bool endWithOpenRow(const std::function<void(int row)> &adding = {});
    // Appends one row per line of a results file's text: column 0 is the row's number (its
    // index + 1), cells 1 ... the line's fields, taken as AppendLine takes them. A CR before
    // a line's LF belongs to the line end; any other CR would break the row's line and reads
    // as a blank. text holds whole lines, a last part without LF being a line too, so a file
    // read in pieces is handed over one piece of whole lines at a time.
    void appendFileLines(QByteArrayView text);
    // Sets aside room for the rows of fileBytes of file text, so that they are read without
    // growing a buffer step by step; sample, the file's first lines, tells their length.
    void reserveFileText(qint64 fileBytes, QByteArrayView sample);

private:
    // A row's line: at >= 0 in m_base, at < 0 in m_extra from ~at on.
    struct Slot
    {
        qsizetype at = 0;
        qsizetype size = 0;
    };

    QByteArray emptyLine() const { return QByteArray(m_colCount - 1, '\t'); }
    QByteArrayView view(const Slot &s) const;
    // [begin, end) of a cell inside a line.
    std::pair<qsizetype, qsizetype> span(QByteArrayView line, int col) const;
    QByteArray normalised(QByteArray line) const;
    void appendExtra(QByteArrayView line);
    // Puts a new line in place of the row's line; line must not lie inside the store.
    void store(int row, QByteArrayView line);
    void drop(const Slot &s);
    void tidy();
    void repack(qsizetype moreTabs);

    int m_colCount;
    // A deque grows without moving the rows it holds: no stall when ten years of rows grow.
    std::deque<Slot> m_rows;
    QByteArray m_base;    // the rows read from a file
    QByteArray m_extra;   // the rows added or changed since
    qsizetype m_dead = 0; // bytes of both buffers that no row uses any more
};
