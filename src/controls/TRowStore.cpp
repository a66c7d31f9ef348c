#include "controls/TRowStore.h"

#include "settings/Cp1251.h"

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
    qsizetype tabs = 0;
    qsizetype pos = 0;
    const int wanted = m_colCount - 1;
    while (true) {
        const qsizetype tab = line.indexOf('\t', pos);
        if (tab < 0)
            break;
        if (tabs == wanted) {
            line.remove(tab, 1); // surplus fields run into the last cell
            pos = tab;
            continue;
        }
        ++tabs;
        pos = tab + 1;
    }
    if (tabs < wanted)
        line.append(QByteArray(wanted - tabs, '\t'));
    line.squeeze(); // a line grown by appending keeps spare room; a year of rows must not
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
