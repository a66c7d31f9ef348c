#include "table/TRowStore.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "table/TableShape.h"
#include "text/Cp1251.h"

namespace {

// Bytes of a line that is changed or dropped are given back once there are this many and
// they outweigh the bytes in use.
constexpr qsizetype kSlack = qsizetype(1) << 16;

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7fu;

// Copies n bytes from src to dst, eight at a time, counting the TABs on the way (a year of
// rows holds millions of them) and telling whether a CR was among them.
qsizetype copyCountingTabs(char *dst, const char *src, qsizetype n, bool *cr)
{
    qsizetype tabs = 0;
    std::uint64_t crs = 0;
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, src + i, 8);
        std::memcpy(dst + i, &word, 8);
        const std::uint64_t t = word ^ (kOnes * '\t'); // a zero byte where a TAB was
        // The top bit of each zero byte, and of no other byte.
        const std::uint64_t zero = ~(((t & kLow7) + kLow7) | t | kLow7);
        tabs += static_cast<qsizetype>(((zero >> 7) * kOnes) >> 56);
        const std::uint64_t r = word ^ (kOnes * '\r');
        crs |= (r - kOnes) & ~r; // a top bit set once any byte was a CR
    }
    bool tailCr = false;
    for (; i < n; ++i) {
        dst[i] = src[i];
        tabs += src[i] == '\t';
        tailCr = tailCr || src[i] == '\r';
    }
    *cr = tailCr || (crs & (kOnes << 7)) != 0;
    return tabs;
}

// Makes line[0, n), which holds `tabs` TABs, hold exactly `wanted`: missing ones go at the
// end (the buffer has room for them), and after the wanted-th TAB the rest loses its TABs,
// so surplus fields run into the last cell. Returns the new length.
qsizetype fitTabs(char *line, qsizetype n, qsizetype tabs, qsizetype wanted)
{
    if (tabs == wanted)
        return n;
    if (tabs < wanted) {
        std::memset(line + n, '\t', size_t(wanted - tabs));
        return n + wanted - tabs;
    }
    qsizetype pos = 0;
    for (qsizetype t = 0; t < wanted; ++t)
        pos = static_cast<char *>(std::memchr(line + pos, '\t', size_t(n - pos))) - line + 1;
    // One pass, as a bad file may hold a line of many thousand TABs.
    char *w = line + pos;
    for (const char *r = w, *end = line + n; r < end; ++r) {
        if (*r != '\t')
            *w++ = *r;
    }
    return w - line;
}

} // namespace

QByteArrayView TRowStore::view(const Slot &s) const
{
    if (s.size == 0)
        return {};
    const char *data = s.at < 0 ? m_extra.constData() + ~s.at : m_base.constData() + s.at;
    return QByteArrayView(data, s.size);
}

QByteArrayView TRowStore::LineView(int row) const
{
    if (row < 0 || row >= RowCount())
        return {};
    return view(m_rows[size_t(row)]);
}

void TRowStore::appendExtra(QByteArrayView line)
{
    m_rows.push_back({~m_extra.size(), line.size()});
    m_extra.append(line);
}

void TRowStore::store(int row, QByteArrayView line)
{
    Slot &s = m_rows[size_t(row)];
    if (s.at < 0 && s.size > 0) {
        const qsizetype at = ~s.at;
        if (at + s.size == m_extra.size()) {
            // The newest line, as the open row is while results come in: rewritten in place.
            m_extra.resize(at);
            m_extra.append(line);
            s.size = line.size();
            return;
        }
        if (line.size() <= s.size) {
            if (!line.isEmpty())
                std::memcpy(m_extra.data() + at, line.data(), size_t(line.size()));
            m_dead += s.size - line.size();
            s.size = line.size();
            return;
        }
    }
    m_dead += s.size;
    s = {~m_extra.size(), line.size()};
    m_extra.append(line);
    tidy();
}

void TRowStore::drop(const Slot &s)
{
    if (s.at < 0 && s.size > 0 && ~s.at + s.size == m_extra.size())
        m_extra.resize(~s.at);
    else
        m_dead += s.size;
}

void TRowStore::tidy()
{
    if (m_dead > kSlack && m_dead * 2 > m_base.size() + m_extra.size())
        repack(0);
}

void TRowStore::repack(qsizetype moreTabs)
{
    qsizetype total = 0;
    for (const Slot &s : m_rows)
        total += s.size + moreTabs;
    QByteArray base(total, Qt::Uninitialized);
    char *w = base.data();
    qsizetype at = 0;
    for (Slot &s : m_rows) {
        const QByteArrayView line = view(s);
        if (!line.isEmpty())
            std::memcpy(w + at, line.data(), size_t(line.size()));
        std::memset(w + at + line.size(), '\t', size_t(moreTabs));
        s = {at, line.size() + moreTabs};
        at += s.size;
    }
    m_base = std::move(base);
    m_extra = QByteArray();
    m_dead = 0;
    m_rows.shrink_to_fit(); // a new table after ten years of rows
}

void TRowStore::SetRowCount(int count)
{
    count = std::max(count, 0);
    // From the end, so that lines at the end of the buffer are given back at once.
    while (RowCount() > count) {
        drop(m_rows.back());
        m_rows.pop_back();
    }
    while (RowCount() < count)
        AppendRow();
    tidy();
}

void TRowStore::AppendRow()
{
    appendExtra(emptyLine());
}

void TRowStore::SetColCount(int count)
{
    count = std::max(count, 1);
    if (count == m_colCount)
        return;
    const int old = m_colCount;
    m_colCount = count;
    if (count > old) {
        repack(count - old);
        return;
    }
    for (Slot &s : m_rows) {
        const QByteArrayView line = view(s);
        // Cut at the TAB that ends cell count-1.
        qsizetype pos = -1;
        for (int c = 0; c < count; ++c) {
            pos = line.indexOf('\t', pos + 1);
            if (pos < 0)
                break;
        }
        if (pos >= 0) {
            m_dead += s.size - pos;
            s.size = pos;
        }
    }
    tidy();
}

std::pair<qsizetype, qsizetype> TRowStore::span(QByteArrayView line, int col) const
{
    const char *p = line.data();
    const qsizetype n = line.size();
    qsizetype begin = 0;
    for (int c = 0; c < col; ++c) {
        const void *tab = std::memchr(p + begin, '\t', size_t(n - begin));
        if (!tab)
            return {n, n};
        begin = static_cast<const char *>(tab) - p + 1;
    }
    const void *tab = col == m_colCount - 1 ? nullptr
                                            : std::memchr(p + begin, '\t', size_t(n - begin));
    const qsizetype end = tab ? static_cast<const char *>(tab) - p : n;
    return {begin, end};
}

QByteArrayView TRowStore::CellBytes(int col, int row) const
{
    if (row < 0 || row >= RowCount() || col < 0 || col >= m_colCount)
        return {};
    const QByteArrayView line = LineView(row);
    const auto [b, e] = span(line, col);
    return line.sliced(b, e - b);
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
    // Built apart first: bytes may be a view into this store.
    const QByteArrayView line = LineView(row);
    const auto [b, e] = span(line, col);
    QByteArray next;
    next.reserve(line.size() - (e - b) + bytes.size());
    next.append(line.first(b)).append(bytes).append(line.sliced(e));
    store(row, next);
}

QByteArray TRowStore::normalised(QByteArray line) const
{
    if (line.endsWith('\r'))
        line.chop(1);
    const qsizetype n = line.size();
    const qsizetype tabs = std::count(line.cbegin(), line.cend(), '\t');
    line.resize(n + m_colCount - 1);
    line.resize(fitTabs(line.data(), n, tabs, m_colCount - 1));
    return line;
}

void TRowStore::SetLine(int row, QByteArray line)
{
    if (row >= 0 && row < RowCount())
        store(row, normalised(std::move(line)));
}

void TRowStore::AppendLine(QByteArray line)
{
    appendExtra(normalised(std::move(line)));
}

void TRowStore::reserveFileText(qint64 fileBytes, QByteArrayView sample)
{
    if (fileBytes <= 0)
        return;
    const qint64 lines = std::count(sample.begin(), sample.end(), '\n');
    const qint64 perLine = lines > 0 ? std::max<qint64>(sample.size() / lines, 1) : fileBytes;
    const qint64 rows = fileBytes / perLine + 1;
    // A row takes its line without the line end, with its number and a TAB before it. Room
    // set aside and never written costs address space only.
    m_base.reserve(m_base.size() + qsizetype(fileBytes + rows * 10 + 4096));
}

void TRowStore::appendFileLines(QByteArrayView text)
{
    if (text.isEmpty())
        return;
    const qsizetype wanted = m_colCount - 1;
    // The rows are written straight into the buffer; its size is the room while they are.
    qsizetype used = m_base.size();
    m_base.resize(std::max(m_base.capacity(), used + text.size() + wanted + 16));
    char *base = m_base.data();
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *const next = nl ? nl + 1 : end;
        const char *e = nl ? nl : end;
        if (e > p && e[-1] == '\r')
            --e;
        const qsizetype len = e - p;
        // The number (at most 10 digits), a TAB, the line, and the TABs it may lack.
        const qsizetype room = 11 + len + wanted;
        if (m_base.size() - used < room) {
            m_base.resize(std::max(used + room, m_base.size() * 2));
            base = m_base.data();
        }
        char *const line = base + used;
        char *w = std::to_chars(line, line + 10, RowCount() + 1).ptr;
        *w++ = '\t';
        bool cr = false;
        const qsizetype tabs = copyCountingTabs(w, p, len, &cr);
        for (char *c = w, *lineEnd = w + len;
             cr && (c = static_cast<char *>(std::memchr(c, '\r', size_t(lineEnd - c))));)
            *c = ' ';
        const qsizetype size = fitTabs(line, w + len - line, tabs + 1, wanted);
        m_rows.push_back({used, size});
        used += size;
        p = next;
    }
    m_base.resize(used);
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
