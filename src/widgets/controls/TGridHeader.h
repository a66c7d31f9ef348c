#pragma once

// The fixed row or column of a TColorStringGrid. Asks the grid's OnGetCellColor (and, for a
// row header, OnGetRowHeader) before a fixed cell is drawn, and reports a fixed size hint so that appending rows never makes
// the view measure the number column's texts.

#include <QHeaderView>

class TColorStringGrid;

class TGridHeader : public QHeaderView
{
    Q_OBJECT

public:
    TGridHeader(Qt::Orientation orientation, TColorStringGrid *grid);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    // Draws a cell the owner's OnGetCellColor changed; false when it left the cell plain.
    bool paintColoured(QPainter *painter, const QRect &rect, int logicalIndex) const;
    // Draws a row header the owner's OnGetRowHeader marked; false when it left it plain.
    bool paintMarked(QPainter *painter, const QRect &rect, int logicalIndex) const;
    void drawCell(QPainter *painter, const QRect &rect, const QBrush &brush, const QFont &font,
                  const QString &text) const;

    TColorStringGrid *m_grid = nullptr;
};
