#include "controls/TToolImages.h"

#include <iterator>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void paintNew(QPainter &p)
{
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(15, 2);
    page.lineTo(20, 7);
    page.lineTo(20, 22);
    page.lineTo(5, 22);
    page.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(220, 220, 220));
    p.drawPolygon(QPolygonF({QPointF(15, 2), QPointF(15, 7), QPointF(20, 7)}));
}

void paintOpen(QPainter &p)
{
    p.setPen(QPen(QColor(120, 90, 20), 1.2));
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(2, 6, 18, 14));
    p.drawRect(QRectF(2, 4, 7, 3));
    p.setBrush(QColor(250, 225, 130));
    p.drawPolygon(QPolygonF({QPointF(5, 10), QPointF(23, 10), QPointF(20, 20), QPointF(2, 20)}));
}

void paintSave(QPainter &p)
{
    p.setPen(QPen(QColor(20, 40, 90), 1.2));
    p.setBrush(QColor(50, 90, 170));
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 3, 10, 7));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(7, 14, 10, 7));
}

void paintPrint(QPainter &p)
{
    p.setPen(QPen(QColor(50, 50, 50), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 2, 10, 8));
    p.setBrush(QColor(150, 150, 150));
    p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 15, 10, 7));
    p.setPen(QColor(90, 90, 90));
    p.drawLine(QPointF(9, 18), QPointF(15, 18));
}

void paintStart(QPainter &p)
{
    p.setPen(QPen(QColor(20, 100, 30), 1.2));
    p.setBrush(QColor(60, 180, 70));
    p.drawPolygon(QPolygonF({QPointF(6, 3), QPointF(21, 12), QPointF(6, 21)}));
}

void paintStop(QPainter &p)
{
    p.setPen(QPen(QColor(130, 20, 20), 1.2));
    p.setBrush(QColor(210, 50, 40));
    p.drawRoundedRect(QRectF(4, 4, 16, 16), 2, 2);
}

} // namespace

QIcon TToolImages::Icon(int index)
{
    using Painter = void (*)(QPainter &);
    static const Painter painters[] = {paintNew,   paintOpen,  paintSave,
                                       paintPrint, paintStart, paintStop};
    if (index < 0 || index >= int(std::size(painters)))
        return QIcon();
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pm(24 * scale, 24 * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        painters[index](p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}
