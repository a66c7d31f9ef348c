#include "charts/TChartOutput.h"

#include <QChartView>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace TChartOutput {

bool paint(QChartView *view, QPagedPaintDevice *device)
{
    device->setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(device))
        return false;
    const QRect page = painter.viewport();
    // The chart keeps the screen's proportions on the page, and its fonts their size.
    QSizeF size = view->size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    const QRectF target(page.topLeft(), size);
    view->render(&painter, target, view->viewport()->rect(), Qt::KeepAspectRatio);
    return painter.end();
}

bool savePdf(QChartView *view, const QString &path, const QString &title)
{
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("reg01"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    return paint(view, &writer);
}

bool savePng(QChartView *view, const QString &path)
{
    return view->grab().save(path, "PNG");
}

} // namespace TChartOutput
