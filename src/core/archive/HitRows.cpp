#include "archive/HitRows.h"

#include "table/TableShape.h"

THitRows HitRows::table(const std::vector<TArchiveHit> &hits, int colCount)
{
    THitRows out{TRowStore(colCount), {}, {}, {}};
    TRowStore &rows = out.rows;
    for (auto it = hits.rbegin(); it != hits.rend(); ++it) {
        const int row = rows.RowCount();
        const int gridRow = TableShape::gridRow(row);
        rows.AppendRow();
        rows.SetCell(TableShape::NumberCol, row, QString::number(gridRow));
        const QStringList cells = it->rowCells();
        bool cleaned = false;
        QStringList unheld;
        for (int k = 0; k < cells.size() && TableShape::LabelCol + k < colCount; ++k) {
            qsizetype dropped = 0;
            const QString text = CellText::withoutControls(cells[k], &dropped);
            cleaned = cleaned || dropped > 0;
            for (const QString &c : CellText::unheld(text)) {
                if (!unheld.contains(c))
                    unheld << c;
            }
            rows.SetCell(TableShape::LabelCol + k, row, text);
        }
        if (cleaned)
            out.cleanedRows.push_back(gridRow);
        if (!unheld.isEmpty())
            out.unheld.push_back({gridRow, unheld});
    }
    rows.endWithOpenRow();
    return out;
}
