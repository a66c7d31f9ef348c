#include "export/TExportTable.h"

#include <algorithm>
#include <memory>

#include <QAbstractItemModel>

#include "table/TStringGridModel.h"
#include "table/TableShape.h"
#include "text/Cp1251.h"

TCellKind TExportTable::kind(int col) const
{
    return col >= 0 && col < static_cast<int>(kinds.size()) ? kinds[col] : TCellKind::Text;
}

bool TExportTable::isVisible(int col) const
{
    return col < 0 || col >= static_cast<int>(visible.size()) || visible[col];
}

std::optional<ShownNumber::Value> TExportTable::numberAt(int col, int row, const QString &text) const
{
    if (number)
        return number(col, row);
    static const ShownNumber reader = ShownNumber::written();
    ShownNumber::Value v;
    return reader.read(QStringView(text), &v) ? std::optional(v) : std::nullopt;
}

std::vector<int> TExportTable::exportedColumns() const
{
    std::vector<int> out;
    for (int c = 0; c < columnCount(); ++c) {
        if (isVisible(c))
            out.push_back(c);
    }
    return out;
}

std::vector<TCellKind> registrationKinds(int colCount)
{
    std::vector<TCellKind> kinds(std::max(colCount, 0), TCellKind::Number);
    const std::pair<int, TCellKind> fixed[] = {{TableShape::NumberCol, TCellKind::Integer},
                                               {TableShape::LabelCol, TCellKind::Text},
                                               {TableShape::DateCol, TCellKind::Date},
                                               {TableShape::TimeCol, TCellKind::Time},
                                               {TableShape::GroupCol, TCellKind::Integer}};
    for (const auto &[col, kind] : fixed) {
        if (col < colCount)
            kinds[col] = kind;
    }
    return kinds;
}

TExportTable ExportTableOf(const TStringGridModel &model, const std::vector<int> &colWidths)
{
    TExportTable t;
    const int cols = model.ColCount();
    for (int c = 0; c < cols; ++c)
        t.titles << model.Title(c);
    t.kinds = registrationKinds(cols);
    for (int c = 0; c < cols && c < static_cast<int>(colWidths.size()); ++c)
        t.visible.push_back(colWidths[c] > 0);
    // The open row waits for the next result; it goes out only if someone typed into it.
    int rows = model.DataRowCount();
    if (rows > 0) {
        bool empty = true;
        for (int c = TableShape::NumberCol + 1; c < cols && empty; ++c)
            empty = model.Rows().CellEmpty(c, rows - 1);
        if (empty)
            --rows;
    }
    t.rowCount = rows;
    // Writers go row by row: each row is cut into its cells once, not once per cell.
    struct TRowCells
    {
        int row = -1;
        QByteArray line; // a shared copy: the cells stay valid whatever the table does
        std::vector<QByteArrayView> cells;
    };
    auto cache = std::make_shared<TRowCells>();
    t.cell = [&model, cache](int col, int row) {
        if (cache->row != row) {
            cache->line = model.Rows().Line(row);
            const QByteArray &line = cache->line;
            cache->cells.clear();
            qsizetype start = 0;
            for (qsizetype tab; (tab = line.indexOf('\t', start)) >= 0; start = tab + 1)
                cache->cells.emplace_back(line.constData() + start, tab - start);
            cache->cells.emplace_back(line.constData() + start, line.size() - start);
            cache->row = row;
        }
        return col < static_cast<int>(cache->cells.size()) ? Cp1251::decode(cache->cells[col])
                                                           : QString();
    };
    return t;
}

TExportTable ExportTableOfModel(const QAbstractItemModel &model)
{
    TExportTable t;
    for (int c = 0; c < model.columnCount(); ++c)
        t.titles << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    t.rowCount = model.rowCount();
    t.keyColumns = 1;
    t.cell = [&model](int col, int row) {
        return model.data(model.index(row, col), Qt::DisplayRole).toString();
    };
    return t;
}
