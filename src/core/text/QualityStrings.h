#pragma once

// The texts of limits, coloured values and statistics. Russian, UTF-8.

#include <QString>

namespace Str {

// Limits
inline const QString MenuService = QStringLiteral("Сервис");
inline const QString ActLimits = QStringLiteral("Нормы…");
inline const QString LimitsCaption = QStringLiteral("Нормы");
inline const QString LimitsColumn = QStringLiteral("Показатель");
inline const QString LimitsMin = QStringLiteral("Мин.");
inline const QString LimitsMax = QStringLiteral("Макс.");
inline const QString LimitsUntitled = QStringLiteral("Столбец %1");
inline const QString LimitsMinAboveMax = QStringLiteral("«%1»: минимум больше максимума");
inline const QString LimitsNotNumber = QStringLiteral("«%1»: «%2» не число");
inline const QString TipAbove = QStringLiteral("выше нормы: %1 > %2");
inline const QString TipBelow = QStringLiteral("ниже нормы: %1 < %2");

// Notes on a "Limits" section that could not be taken whole; %1 is the key.
inline const QString NoteNoColumn = QStringLiteral("Нормы: нет столбца «%1», строка пропущена");
inline const QString NoteBadValue = QStringLiteral(
    "Нормы, столбец %1: «%2» не «мин;макс», строка пропущена");
inline const QString NoteMinAboveMax = QStringLiteral(
    "Нормы, столбец %1: минимум больше максимума, строка пропущена");
inline const QString NoteMore = QStringLiteral("Нормы: ещё замечаний: %1");
// %1 is the settings file.
inline const QString NoteNotWritten = QStringLiteral(
    "Нормы не записаны: файл «%1» не принимает запись, они действуют до закрытия");

// Statistics
inline const QString ActStatistics = QStringLiteral("Статистика");
inline const QString ActCopy = QStringLiteral("Копировать");
inline const QString StatCountAll = QStringLiteral("Число (все)");
inline const QString StatCountSelected = QStringLiteral("Число (выделено)");
inline const QString StatMean = QStringLiteral("Среднее");
inline const QString StatMin = QStringLiteral("Минимум");
inline const QString StatMax = QStringLiteral("Максимум");
inline const QString StatSd = QStringLiteral("СКО");
inline const QString StatOutside = QStringLiteral("Вне нормы");

} // namespace Str
