#include "export/TReport.h"

#include <algorithm>
#include <cmath>

#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>

#include "export/ExportStrings.h"
#include "export/TProtocolHeader.h"
#include "table/ShownText.h"
#include "text/ProtocolStrings.h"

namespace {

// A table may shrink to this part of its font before it is cut into parts side by side.
constexpr double MinScale = 0.75;
constexpr double LineSpacing = 1.25;
const QChar Breakable(0x200B); // a zero-width space: lets a title break after "." and "-"

// A font in screen pixels would come out a few dots high on paper; points scale.
QFont PaperFont(QFont font)
{
    if (font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    return font;
}

QString Breakables(QString title)
{
    for (qsizetype i = title.size() - 1; i >= 0; --i) {
        if ((title[i] == QLatin1Char('.') || title[i] == QLatin1Char('-')) && i + 1 < title.size()
            && title[i + 1] != QLatin1Char(' '))
            title.insert(i + 1, Breakable);
    }
    return title;
}

QStringList WrapLines(const QString &text, const QFont &font, double width,
                      const QPaintDevice &device)
{
    QTextLayout layout(text, font, &device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1.0));
        QString piece = text.mid(line.textStart(), line.textLength()).trimmed();
        piece.remove(Breakable);
        if (!piece.isEmpty())
            lines << piece;
    }
    layout.endLayout();
    return lines;
}

} // namespace

TReport::TReport(const TExportTable &table, const QFont &font)
    : m_table(table)
    , m_baseFont(PaperFont(font))
{}

int TReport::layout(const QPaintDevice &device)
{
    m_pageWidth = device.width();
    m_pageHeight = device.height();
    m_statistics = m_table.statistics ? m_table.statistics() : std::vector<QStringList>{};
    measure(device, 1.0);
    const auto total = [this] {
        double sum = 0;
        for (const TColumn &c : m_columns)
            sum += c.width;
        return sum;
    };
    // Font sizes do not scale text quite linearly: a second try makes up the difference.
    m_scale = 1.0;
    for (int attempt = 0; attempt < 3 && total() > m_pageWidth && m_scale > MinScale; ++attempt) {
        m_scale = std::max(m_scale * m_pageWidth / total() * 0.998, MinScale);
        measure(device, m_scale);
    }
    // Still too wide: long title words give back the room they took, and break.
    double excess = 0;
    for (const TColumn &c : m_columns)
        excess += c.width - c.content;
    const double over = total() - m_pageWidth;
    if (over > 0 && excess > 0) {
        const double part = std::min(over / excess, 1.0);
        for (TColumn &c : m_columns)
            c.width -= (c.width - c.content) * part;
    }
    cutIntoBands(m_pageWidth);

    m_titles.clear();
    int titleLines = 1;
    for (const TColumn &c : m_columns) {
        m_titles << wrapTitle(m_table.titles.value(c.col), c.width - 2 * m_pad, device);
        titleLines = std::max(titleLines, static_cast<int>(m_titles.back().size()));
    }
    m_titleHeight = titleLines * m_line;
    const double rowsTop = 1.5 * m_line + m_titleHeight + 0.3 * m_line;
    const double footer = 1.5 * m_line;
    m_rowsPerPage = std::max(1, int((m_pageHeight - rowsTop - footer) / m_line));
    m_items = m_table.rowCount
              + (m_statistics.empty() ? 0 : 1 + static_cast<int>(m_statistics.size()));
    // A protocol's first pages carry its header; a line's gap and the signature close it.
    m_header.clear();
    m_signatures.clear();
    m_signatureItem = -1;
    if (m_table.protocol) {
        m_header << m_table.protocol->titleLine();
        for (const QString &line : m_table.protocol->lines())
            m_header << WrapLines(line, m_font, m_pageWidth, device);
        m_signatures = m_table.protocol->signatureLines();
        m_signatureItem = m_items + 1;
        m_items += 1 + static_cast<int>(m_signatures.size());
    }
    m_headerHeight = m_header.isEmpty() ? 0 : (m_header.size() + 0.5) * m_line;
    m_rowsFirstPage = std::max(1, int((m_pageHeight - rowsTop - m_headerHeight - footer) / m_line));
    m_chunks = m_items <= m_rowsFirstPage
                   ? 1
                   : 1 + (m_items - m_rowsFirstPage + m_rowsPerPage - 1) / m_rowsPerPage;
    return pageCount();
}

void TReport::measure(const QPaintDevice &device, double scale)
{
    m_font = m_baseFont;
    m_font.setPointSizeF(m_baseFont.pointSizeF() * scale);
    m_bold = m_font;
    m_bold.setBold(true);
    const QFontMetricsF fm(m_font, &device);
    const QFontMetricsF fb(m_bold, &device);
    m_line = fm.height() * LineSpacing;
    m_ascent = fm.ascent() + (m_line - fm.height()) / 2;
    m_pad = fm.averageCharWidth() / 2;

    const std::vector<int> cols = m_table.exportedColumns();
    m_columns.assign(cols.size(), {});
    std::vector<double> content(cols.size(), fm.horizontalAdvance(QStringLiteral("0000")));
    // Row by row, as the table is read everywhere else.
    for (int r = 0; r < m_table.rowCount; ++r) {
        for (size_t i = 0; i < cols.size(); ++i)
            content[i] = std::max(content[i], fm.horizontalAdvance(shownCell(cols[i], r)));
    }
    for (const QStringList &line : m_statistics) {
        for (size_t i = 0; i < cols.size(); ++i)
            content[i] = std::max(content[i], fb.horizontalAdvance(line.value(cols[i])));
    }
    static const QRegularExpression breaks(QStringLiteral("[ \\x{200B}]"));
    for (size_t i = 0; i < cols.size(); ++i) {
        TColumn &c = m_columns[i];
        c.col = cols[i];
        const TCellKind kind = m_table.kind(c.col);
        c.right = kind == TCellKind::Number || kind == TCellKind::Integer;
        double word = 0;
        const QString title = Breakables(m_table.titles.value(c.col));
        for (const QString &piece : title.split(breaks, Qt::SkipEmptyParts))
            word = std::max(word, fb.horizontalAdvance(piece));
        c.content = std::min(content[i] + 2 * m_pad, m_pageWidth);
        c.width = std::min(std::max(content[i], word) + 2 * m_pad, m_pageWidth);
    }
}

void TReport::cutIntoBands(double pageWidth)
{
    // Widths shrunk to the page add up to it give or take a rounding: a column must not
    // move to a part of its own for a millionth of a dot.
    pageWidth += 1;
    m_bands.clear();
    const int count = static_cast<int>(m_columns.size());
    double total = 0;
    for (const TColumn &c : m_columns)
        total += c.width;
    if (total <= pageWidth || count == 0) {
        m_bands.emplace_back();
        for (int i = 0; i < count; ++i)
            m_bands.back().push_back(i);
        return;
    }
    // The naming columns come again on every part, as long as they leave room for more.
    int keys = std::clamp(m_table.keyColumns, 0, count - 1);
    double keyWidth = 0;
    for (int i = 0; i < keys; ++i)
        keyWidth += m_columns[i].width;
    double widest = 0;
    for (int i = keys; i < count; ++i)
        widest = std::max(widest, m_columns[i].width);
    if (keyWidth + widest > pageWidth) {
        keys = 0;
        keyWidth = 0;
    }
    std::vector<int> band;
    double used = keyWidth;
    for (int i = keys; i < count; ++i) {
        if (!band.empty() && used + m_columns[i].width > pageWidth) {
            m_bands.push_back(band);
            band.clear();
            used = keyWidth;
        }
        if (band.empty()) {
            for (int k = 0; k < keys; ++k)
                band.push_back(k);
        }
        band.push_back(i);
        used += m_columns[i].width;
    }
    m_bands.push_back(band);
}

QStringList TReport::wrapTitle(const QString &title, double width, const QPaintDevice &device) const
{
    return WrapLines(Breakables(title), m_bold, width, device);
}

bool TReport::print(QPagedPaintDevice &device, int first, int last)
{
    layout(device);
    first = std::clamp(first, 1, pageCount());
    last = last <= 0 ? pageCount() : std::clamp(last, first, pageCount());
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    int pageNo = 1;
    for (int chunk = 0; chunk < m_chunks; ++chunk) {
        for (int band = 0; band < bandCount(); ++band, ++pageNo) {
            if (pageNo < first || pageNo > last)
                continue;
            if (pageNo > first && !device.newPage()) {
                painter.end();
                return false;
            }
            drawPage(painter, chunk, band, pageNo);
        }
    }
    return painter.end();
}

void TReport::drawPage(QPainter &painter, int chunk, int band, int pageNo) const
{
    const std::vector<int> &cols = m_bands[band];
    const QFontMetricsF fm(m_font, painter.device());
    const QFontMetricsF fb(m_bold, painter.device());
    double bandWidth = 0;
    for (int i : cols)
        bandWidth += m_columns[i].width;

    painter.setPen(Qt::black);
    painter.setFont(m_bold);
    painter.drawText(QPointF(0, m_ascent),
                     fb.elidedText(m_table.name, Qt::ElideMiddle, m_pageWidth * 0.7));
    painter.setFont(m_font);
    const QString rows = Str::ReportRows.arg(m_table.rowCount);
    painter.drawText(QPointF(m_pageWidth - fm.horizontalAdvance(rows), m_ascent), rows);

    const double headerHeight = chunk == 0 ? m_headerHeight : 0;
    for (int k = 0; chunk == 0 && k < m_header.size(); ++k) {
        painter.setFont(k == 0 ? m_bold : m_font);
        painter.drawText(QPointF(0, (1.5 + k) * m_line + m_ascent), m_header[k]);
    }
    const double titleTop = 1.5 * m_line + headerHeight;
    painter.setFont(m_bold);
    double x = 0;
    for (int i : cols) {
        const QStringList &lines = m_titles[i];
        for (int k = 0; k < lines.size(); ++k)
            drawText(painter, fb, m_columns[i], x, titleTop + k * m_line, lines[k]);
        x += m_columns[i].width;
    }
    const double rule = titleTop + m_titleHeight + 0.15 * m_line;
    painter.drawLine(QPointF(0, rule), QPointF(bandWidth, rule));

    double y = titleTop + m_titleHeight + 0.3 * m_line;
    const int first = chunk == 0 ? 0 : m_rowsFirstPage + (chunk - 1) * m_rowsPerPage;
    const int last = std::min(m_items, first + (chunk == 0 ? m_rowsFirstPage : m_rowsPerPage));
    for (int item = first; item < last; ++item, y += m_line) {
        if (item < m_table.rowCount) {
            drawRow(painter, cols, item, y);
        } else if (m_signatureItem >= 0 && item >= m_signatureItem) {
            // Once, on the last page.
            if (band == bandCount() - 1) {
                painter.setFont(m_font);
                painter.drawText(QPointF(0, y + m_ascent),
                                 m_signatures.value(item - m_signatureItem));
            }
        } else if (item == m_signatureItem - 1) {
            continue; // the gap before the signature
        } else if (item == m_table.rowCount) {
            painter.drawLine(QPointF(0, y + m_line / 2), QPointF(bandWidth, y + m_line / 2));
        } else {
            drawStatistics(painter, cols, m_statistics[item - m_table.rowCount - 1], y);
        }
    }

    painter.setFont(m_font);
    const QString number = Str::ReportPage.arg(pageNo).arg(pageCount());
    const double footerY = m_pageHeight - m_line + m_ascent;
    painter.drawText(QPointF((m_pageWidth - fm.horizontalAdvance(number)) / 2, footerY), number);
    if (m_table.protocol)
        painter.drawText(QPointF(0, footerY), m_table.protocol->printedLine());
}

QString TReport::shownCell(int col, int row) const
{
    // As the grid and the results print show it: a giant cell is measured and drawn by its
    // beginning, so the report, its print and its preview lay out the same text.
    return ShownText::ofText(m_table.cell(col, row));
}

void TReport::drawRow(QPainter &painter, const std::vector<int> &band, int row, double y) const
{
    const QFontMetricsF fm(m_font, painter.device());
    painter.setFont(m_font);
    double x = 0;
    for (int i : band) {
        const TColumn &c = m_columns[i];
        const QString text = shownCell(c.col, row);
        if (m_table.limitClass && !text.isEmpty() && c.right) {
            const TLimitClass limit = m_table.limitClass(c.col, row);
            if (limit != TLimitClass::Within) {
                const auto rgb = limit == TLimitClass::Below ? m_table.belowColour
                                                             : m_table.aboveColour;
                painter.fillRect(QRectF(x, y, c.width, m_line), QColor(QRgb(rgb)));
            }
        }
        drawText(painter, fm, c, x, y, text);
        x += c.width;
    }
}

void TReport::drawStatistics(QPainter &painter, const std::vector<int> &band,
                             const QStringList &line, double y) const
{
    const QFontMetricsF fb(m_bold, painter.device());
    painter.setFont(m_bold);
    double x = 0;
    for (int i : band) {
        drawText(painter, fb, m_columns[i], x, y, line.value(m_columns[i].col));
        x += m_columns[i].width;
    }
}

void TReport::drawText(QPainter &painter, const QFontMetricsF &metrics, const TColumn &c, double x,
                       double y, const QString &text) const
{
    if (text.isEmpty())
        return;
    const double room = c.width - 2 * m_pad;
    QString shown = text;
    double advance = metrics.horizontalAdvance(shown);
    if (advance > room) {
        shown = metrics.elidedText(text, Qt::ElideRight, room);
        advance = metrics.horizontalAdvance(shown);
    }
    const double left = c.right ? x + c.width - m_pad - advance : x + m_pad;
    painter.drawText(QPointF(left, y + m_ascent), shown);
}
