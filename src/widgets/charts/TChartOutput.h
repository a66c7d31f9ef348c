#pragma once

// A chart on paper and in files. The printer and the PDF take the same drawing: the chart
// rendered onto a paged device, scaled to the page with its proportions kept; a PNG is the
// chart as the screen shows it.

#include <QString>

class QChartView;
class QPagedPaintDevice;

namespace TChartOutput {

// False when nothing could be drawn (the device would not begin painting).
bool paint(QChartView *view, QPagedPaintDevice *device);
bool savePdf(QChartView *view, const QString &path, const QString &title);
bool savePng(QChartView *view, const QString &path);

} // namespace TChartOutput
