#include "table/TRowStore.h"

#include <cstring>

#include "table/TableShape.h"
#include "text/Cp1251.h"

void TRowStore::SetRowCount(int count)
{
    if (count < 0)
        count = 0;
    if (count < RowCount())
        m_rows.resize(count);
    else
        m_rows.resize(count, emptyLine());
}

void TRowStore::SetColCount(int count)
{
    if (count < 1)
        count = 1;
    if (count == m_colCount)
        return;
    const int old = m_colCount;
    m_colCount = count;
    for (QByteArray &line : m_rows) {
        if (count > old) {
            line.append(QByteArray(count - old, '\t'));
            continue;
        }
        // Cut at the TAB that ends cell count-1.
        qsizetype pos = -1;
        for (int c = 0; c < count; ++c) {
            pos = line.indexOf('\t', pos + 1);
            if (pos < 0)
                break;
        }
        if (pos >= 0)
            line.truncate(pos);
    }
}

std::pair<qsizetype, qsizetype> TRowStore::span(int col, int row) const
{
    const QByteArray &line = m_rows[row];
    const char *p = line.constData();
    const qsizetype n = line.size();
    qsizetype begin = 0;
    for (int c = 0; c < col; ++c) {
        const void *tab = memchr(p + begin, '\t', n - begin);
        if (!tab)
            return {n, n};
        begin = static_cast<const char *>(tab) - p + 1;
    }
    const void *tab = col == m_colCount - 1 ? nullptr : memchr(p + begin, '\t', n - begin);
    const qsizetype end = tab ? static_cast<const char *>(tab) - p : n;
    return {begin, end};
}

QByteArrayView TRowStore::CellBytes(int col, int row) const
{
    if (row < 0 || row >= RowCount() || col < 0 || col >= m_colCount)
        return {};
    const auto [b, e] = span(col, row);
    return QByteArrayView(m_rows[row].constData() + b, e - b);
}

QString TRowStore::Cell(int col, int row) const
{
    return Cp1251::decode(CellBytes(col, row));
}

void TRowStore::SetCell(int col, int row, QStringView text)
{
    QByteArray bytes = Cp1251::encode(text);
    for (char &c : bytes) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    SetCellBytes(col, row, bytes);
}

void TRowStore::SetCellBytes(int col, int row, QByteArrayView bytes)
{
    if (row < 0 || row >= RowCount() || col < 0 || col >= m_colCount)
        return;
    const auto [b, e] = span(col, row);
    m_rows[row].replace(b, e - b, bytes);
}

QByteArray TRowStore::normalised(QByteArray line) const
{
    if (line.endsWith('\r'))
        line.chop(1);
    const qsizetype wanted = m_colCount - 1;
    const char *p = line.constData();
    const qsizetype n = line.size();
    qsizetype tabs = 0;
    qsizetype pos = 0;
    while (tabs < wanted) {
        const void *tab = memchr(p + pos, '\t', n - pos);
        if (!tab)
            break;
        pos = static_cast<const char *>(tab) - p + 1;
        ++tabs;
    }
    if (tabs < wanted) {
        line.append(wanted - tabs, '\t');
        line.squeeze(); // spare room from appending, kept over a year of rows, adds up
        return line;
    }
    // Surplus fields run into the last cell; one pass, as a bad file may hold a line of
    // many thousand TABs.
    if (memchr(p + pos, '\t', n - pos)) {
        char *w = line.data() + pos;
        for (const char *r = w, *rEnd = line.constData() + n; r < rEnd; ++r) {
            if (*r != '\t')
                *w++ = *r;
        }
        line.truncate(w - line.constData());
    }
    line.squeeze();
    return line;
}

void TRowStore::SetLine(int row, QByteArray line)
{
    m_rows[row] = normalised(std::move(line));
}

void TRowStore::AppendLine(QByteArray line)
{
    m_rows.push_back(normalised(std::move(line)));
}

bool TRowStore::endWithOpenRow(const std::function<void(int row)> &adding)
{
    const bool add = m_rows.empty() || !CellEmpty(TableShape::DateCol, RowCount() - 1);
    if (add) {
        if (adding)
            adding(RowCount());
        AppendRow();
    }
    const int last = RowCount() - 1;
    SetCellBytes(TableShape::NumberCol, last, QByteArray::number(TableShape::gridRow(last)));
    return add;
}
