// Results files of any content: loading gives well-formed rows that match the file line for
// line, ends in one open row, takes changed cells like plain lines do, and a save and a second
// load give the same rows back.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "results/TResultsFile.h"
#include "table/TRowStore.h"

namespace {

const QString &loadPath()
{
    static const QString p = FuzzScratchPath(QStringLiteral("results.txt"));
    return p;
}

const QString &savePath()
{
    static const QString p = FuzzScratchPath(QStringLiteral("saved.txt"));
    return p;
}

void removeFiles()
{
    QFile::remove(loadPath());
    QFile::remove(savePath());
}

// The cells of one file line as the grid takes them: a TAB moves on while there is a column
// left and is dropped after that, a line's CR before its LF belongs to the line end, and any
// other CR would break a line, so it reads as a blank.
std::vector<QByteArray> cellsOf(QByteArray line, int colCount)
{
    if (line.endsWith('\r'))
        line.chop(1);
    std::vector<QByteArray> cells(1, QByteArray());
    for (char c : line) {
        if (c == '\t') {
            if (static_cast<int>(cells.size()) < colCount - 1)
                cells.emplace_back();
        } else {
            cells.back().append(c == '\r' ? ' ' : c);
        }
    }
    cells.resize(static_cast<size_t>(colCount - 1));
    return cells;
}

QByteArray joined(int number, const std::vector<QByteArray> &cells)
{
    QByteArray line = QByteArray::number(number);
    for (const QByteArray &c : cells)
        line.append('\t').append(c);
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool once = (std::atexit(removeFiles), true);
    (void)once;
    if (size < 1)
        return 0;
    const int colCount = (data[0] & 1) ? 32 : 17;
    const QByteArray content(reinterpret_cast<const char *>(data + 1),
                             static_cast<qsizetype>(size - 1));
    FUZZ_CHECK(FuzzWriteFile(loadPath(), content.constData(), content.size()));

    // What the rows must be, from the file's lines.
    std::vector<QByteArray> want;
    QList<QByteArray> lines = content.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast(); // the last line end starts no line
    for (const QByteArray &line : lines)
        want.push_back(joined(static_cast<int>(want.size()) + 1, cellsOf(line, colCount)));
    const auto dateOf = [](const QByteArray &row) { return row.split('\t').value(2); };
    if (want.empty() || !dateOf(want.back()).isEmpty())
        want.push_back(joined(static_cast<int>(want.size()) + 1,
                              std::vector<QByteArray>(static_cast<size_t>(colCount - 1))));

    TRowStore rows(colCount);
    rows.AppendRow();
    rows.SetCellBytes(1, 0, "left from before");
    QString error;
    FUZZ_CHECK(TResultsFile::Load(loadPath(), colCount, rows, &error));
    FUZZ_CHECK(rows.ColCount() == colCount);
    FUZZ_CHECK(rows.RowCount() == static_cast<int>(want.size()));
    for (int r = 0; r < rows.RowCount(); ++r) {
        FUZZ_CHECK(rows.Line(r).count('\t') == colCount - 1);
        FUZZ_CHECK(rows.Line(r).indexOf('\r') < 0 && rows.Line(r).indexOf('\n') < 0);
        FUZZ_CHECK(rows.CellBytes(0, r) == QByteArray::number(r + 1));
        FUZZ_CHECK(rows.Line(r) == want[static_cast<size_t>(r)]);
    }
    FUZZ_CHECK(rows.CellEmpty(TResultsFile::DateColumn, rows.RowCount() - 1));

    // Labels typed into rows read from the file, and results written into the open row, as
    // the windows change a table after opening it; the input's first bytes pick the cells.
    for (size_t i = 1; i < size && i < 9; ++i) {
        const int row = data[i] % rows.RowCount();
        const int col = 1 + data[i] % (colCount - 1); // the row numbers stay
        if (row == rows.RowCount() - 1 && col == TResultsFile::DateColumn)
            continue; // the open row stays open
        QByteArray cell = content.mid(static_cast<qsizetype>(i), data[i] % 16);
        for (char &c : cell) {
            if (c == '\t' || c == '\r' || c == '\n')
                c = ' ';
        }
        QList<QByteArray> cells = want[static_cast<size_t>(row)].split('\t');
        cells[col] = cell;
        want[static_cast<size_t>(row)] = cells.join('\t');
        rows.SetCellBytes(col, row, cell);
    }
    for (int r = 0; r < rows.RowCount(); ++r)
        FUZZ_CHECK(rows.Line(r) == want[static_cast<size_t>(r)]);

    FUZZ_CHECK(TResultsFile::Save(savePath(), rows, &error));
    TRowStore again(colCount);
    FUZZ_CHECK(TResultsFile::Load(savePath(), colCount, again, &error));
    FUZZ_CHECK(again.RowCount() == rows.RowCount());
    for (int r = 0; r < rows.RowCount(); ++r)
        FUZZ_CHECK(again.Line(r) == rows.Line(r));
    return 0;
}
