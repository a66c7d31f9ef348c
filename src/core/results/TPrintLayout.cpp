#include "results/TPrintLayout.h"

#include <algorithm>

#include "table/ShownText.h"
#include "text/Strings.h"

namespace {

constexpr int HeaderX = 800;
// Header, a blank line and the titles come before the first row.
constexpr int LinesBeforeRows = 3;

// A name kept from a Windows settings file may still carry backslashes.
QString WithoutFolder(const QString &fileName)
{
    const qsizetype slash = std::max(fileName.lastIndexOf(QLatin1Char('/')),
                                     fileName.lastIndexOf(QLatin1Char('\\')));
    return fileName.mid(slash + 1);
}

void PrintHeader(TPage &page, int pageNo, int lineStep, const QString &fileName,
                 const std::function<QString(int, int)> &cell,
                 const std::vector<TPrintColumn> &columns)
{
    page.TextOut(HeaderX, lineStep,
                 Str::PageLabel + QString::number(pageNo) + QString(20, QLatin1Char(' '))
                     + WithoutFolder(fileName));
    for (const TPrintColumn &c : columns)
        page.TextOut(c.x, LinesBeforeRows * lineStep, cell(c.col, 0));
}

} // namespace

std::vector<TPrintColumn> TarvoPrintColumns(int pageWidth)
{
    const int u = pageWidth / 34;
    std::vector<TPrintColumn> columns;
    columns.push_back({0, u});
    columns.push_back({1, 2 * u});
    for (int c = 2; c <= 15; ++c)
        columns.push_back({c, 2 * c * u});
    return columns;
}

std::vector<TPrintColumn> MirelPrintColumns(int pageWidth, const std::vector<int> &colWidths)
{
    const auto visible = std::count_if(colWidths.begin(), colWidths.end(),
                                       [](int w) { return w > 0; });
    const int u = pageWidth / static_cast<int>(visible + 1);
    std::vector<TPrintColumn> columns;
    int k = 0;
    for (int c = 0; c < static_cast<int>(colWidths.size()); ++c) {
        if (colWidths[c] > 0)
            columns.push_back({c, ++k * u});
    }
    return columns;
}

void PrintTable(TPage &page, const std::function<QString(int col, int row)> &cell, int rowCount,
                const std::vector<TPrintColumn> &columns, const QString &fileName)
{
    const int pageHeight = page.PageHeight();
    const int textHeight = std::max(page.TextHeight(QStringLiteral("X")), 1);
    // At least one row line besides the header lines, however small the page.
    const int lines = std::max(pageHeight / textHeight, LinesBeforeRows + 1);
    const int lineStep = std::max(pageHeight / lines, 0);
    const int rowsPerPage = lines - LinesBeforeRows;

    int pageNo = 1;
    int onPage = 0;
    std::vector<QString> texts(columns.size());
    PrintHeader(page, pageNo, lineStep, fileName, cell, columns);
    for (int row = 1; row < rowCount; ++row) {
        int rowHeight = 0;
        for (size_t i = 0; i < columns.size(); ++i) {
            texts[i] = ShownText::ofText(cell(columns[i].col, row));
            rowHeight = std::max(rowHeight, page.TextHeight(texts[i]));
        }
        const int y = (LinesBeforeRows + 1 + onPage) * lineStep;
        if (onPage > 0 && (onPage >= rowsPerPage || y + rowHeight > pageHeight)) {
            page.NewPage();
            ++pageNo;
            onPage = 0;
            PrintHeader(page, pageNo, lineStep, fileName, cell, columns);
        }
        const int rowY = (LinesBeforeRows + 1 + onPage) * lineStep;
        for (size_t i = 0; i < columns.size(); ++i)
            page.TextOut(columns[i].x, rowY, texts[i]);
        ++onPage;
    }
}
