#pragma once

// The texts of the control and trend charts. Russian, UTF-8.

#include <QString>

namespace Str {

// The Levey-Jennings chart
inline const QString ActLeveyJennings = QStringLiteral("Карта Леви-Дженнингса…");
inline const QString LjCaption = QStringLiteral("Карта Леви-Дженнингса");
inline const QString LjMaterial = QStringLiteral("Материал:");
inline const QString LjColumn = QStringLiteral("Показатель:");
inline const QString LjFrom = QStringLiteral("С:");
inline const QString LjTo = QStringLiteral("по:");
inline const QString LjAllTime = QStringLiteral("Весь период");
inline const QString LjValues = QStringLiteral("Контроли");
inline const QString LjViolations = QStringLiteral("Нарушения правил");
inline const QString LjTarget = QStringLiteral("Целевое значение");
// %1 is 1, 2 or 3: the lines at target ± k SD.
inline const QString LjSdLine = QStringLiteral("±%1s");
// %1 the material, %2 the column: the chart's title.
inline const QString LjTitle = QStringLiteral("%1 — %2");
inline const QString LjNoTarget = QStringLiteral("%1 — %2 (нет целевого значения)");
inline const QString LjUnread = QStringLiteral("Архив сейчас не читается, контроли не показаны");
// %1 time, %2 value, %3 rule names: a point's label.
inline const QString LjPointTip = QStringLiteral("%1: %2 — %3");
inline const QString ActChartPrint = QStringLiteral("Печать…");
inline const QString ActChartPdf = QStringLiteral("Сохранить как PDF…");
inline const QString ActChartPng = QStringLiteral("Сохранить как PNG…");
inline const QString ChartPdfFilter = QStringLiteral("Документ PDF (*.pdf)");
inline const QString ChartPngFilter = QStringLiteral("Рисунок PNG (*.png)");
// %1 the file name.
inline const QString ChartNotSaved = QStringLiteral("Не удалось записать файл «%1»");
inline const QString ChartNotPrinted = QStringLiteral("Не удалось напечатать карту");

// The trend
inline const QString ActTrend = QStringLiteral("Тренд результатов");
inline const QString TrendCaption = QStringLiteral("Тренд результатов");
inline const QString TrendBelow = QStringLiteral("%1: ниже нормы");
inline const QString TrendAbove = QStringLiteral("%1: выше нормы");
inline const QString TrendMin = QStringLiteral("%1: мин.");
inline const QString TrendMax = QStringLiteral("%1: макс.");
// %1 is the text after "Columns=".
inline const QString TrendNoteBadColumn = QStringLiteral(
    "Тренд: «%1» не номер столбца показателя, пропущен");

} // namespace Str
