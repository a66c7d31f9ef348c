#include "controls/TGridHeader.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

#include "controls/TColorStringGrid.h"

TGridHeader::TGridHeader(Qt::Orientation orientation, TColorStringGrid *grid)
    : QHeaderView(orientation, grid)
    , m_grid(grid)
{}

QSize TGridHeader::sizeHint() const
{
    if (orientation() == Qt::Vertical)
        return {minimumWidth(), defaultSectionSize()};
    return {QHeaderView::sizeHint().width(), minimumHeight()};
}

void TGridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (orientation() == Qt::Vertical && m_grid->OnGetRowHeader
        && paintMarked(painter, rect, logicalIndex))
        return;
    if (m_grid->OnGetCellColor && paintColoured(painter, rect, logicalIndex))
        return;
    // A title wider than its column is drawn a little smaller rather than cut off.
    QFont f = font();
    const QString text = model()->headerData(logicalIndex, orientation()).toString();
    const int room = rect.width() - 8;
    const int wide = QFontMetrics(f).horizontalAdvance(text);
    painter->save();
    if (orientation() == Qt::Horizontal && wide > room && room > 0) {
        const double scale = std::max(0.75, double(room) / wide);
        if (f.pixelSize() > 0)
            f.setPixelSize(std::max(1, int(f.pixelSize() * scale)));
        else
            f.setPointSizeF(f.pointSizeF() * scale);
        painter->setFont(f);
    }
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
}

bool TGridHeader::paintColoured(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    const bool top = orientation() == Qt::Horizontal;
    const QBrush plainBrush = palette().button();
    const QFont plainFont = font();
    QBrush brush = plainBrush;
    QFont cellFont = plainFont;
    m_grid->OnGetCellColor(m_grid, top ? 0 : logicalIndex + 1, top ? logicalIndex : 0, gdFixed,
                           brush, cellFont);
    // A cell the owner left as it was is drawn as without the hook.
    if (brush == plainBrush && cellFont == plainFont)
        return false;
    drawCell(painter, rect, brush, cellFont,
             model()->headerData(logicalIndex, orientation()).toString());
    return true;
}

bool TGridHeader::paintMarked(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    const QBrush plainBrush = palette().button();
    const QString plainText = model()->headerData(logicalIndex, orientation()).toString();
    QBrush brush = plainBrush;
    QString text = plainText;
    m_grid->OnGetRowHeader(logicalIndex + 1, brush, text);
    if (brush == plainBrush && text == plainText)
        return false;
    drawCell(painter, rect, brush, font(), text);
    return true;
}

void TGridHeader::drawCell(QPainter *painter, const QRect &rect, const QBrush &brush,
                           const QFont &font, const QString &text) const
{
    painter->save();
    painter->fillRect(rect, brush);
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->setFont(font);
    painter->drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}
