#pragma once

// Colours a TColorStringGrid's values against their limits through the grid's
// OnGetCellColor: a value below its minimum on blue, above its maximum on orange (a pair
// colour-blind operators tell apart too), the row's label cell marked in the colour of what
// its row holds, and a tooltip "выше нормы: 3,88 > 0,00" over a marked cell. Shades are
// worked out once per palette so the text on them keeps a contrast of at least 4.5:1,
// selected or not; verdicts are read once per row. Without limits the hook is not set at
// all and the grid draws as a plain string grid.

#include <QBrush>
#include <QColor>
#include <QLocale>
#include <QObject>
#include <QPalette>

#include "controls/TColorStringGrid.h"
#include "export/TExportTable.h"
#include "quality/TRowMarks.h"

class TLimitColors : public QObject
{
    Q_OBJECT

public:
    explicit TLimitColors(TColorStringGrid *grid, const QLocale &locale = QLocale::system());
    ~TLimitColors() override;

    void setLimits(const TLimits &limits);
    const TLimits &limits() const { return m_marks.limits(); }

    // Grid coordinates: row 1 is the first data row.
    TVerdict verdict(int col, int row);
    quint8 rowMark(int row);
    QString toolTip(int col, int row);

    // The hues; the shades drawn are worked out from them and the grid's palette.
    static QColor belowHue() { return QColor(0x00, 0x72, 0xB2); }
    static QColor aboveHue() { return QColor(0xE6, 0x9F, 0x00); }
    // The brush a cell of this kind gets; mark is a TRowMarks::Mark for the label cell.
    QBrush brush(quint8 mark, bool selected, bool active);
    // An export of this grid (ExportTableOf, data rows from 0) gets the verdicts and the
    // shades of the screen; the table must not outlive the colours.
    void markExport(TExportTable &table);

    // The contrast ratio of two colours, 1 to 21.
    static double contrast(const QColor &a, const QColor &b);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct TShades
    {
        QColor below;
        QColor above;
    };
    void paintCell(int row, int col, TGridDrawState state, QBrush &brush);
    const TShades &shades(bool selected, bool active);
    void hook(bool on);

    TColorStringGrid *m_grid = nullptr;
    TRowMarks m_marks;
    qint64 m_paletteKey = -1;
    TShades m_shades[2][2]; // [selected][active]
    bool m_known[2][2] = {};
};
