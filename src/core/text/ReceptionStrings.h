#pragma once

// The texts of milk reception: rate tables and their import, shifts, the reports. Russian,
// UTF-8.

#include <QString>

namespace ReceptionStrings {

// A rate table's spreadsheet: the first cells of its header lines.
inline const QString CsvFatFrom = QStringLiteral("Жир от");
inline const QString CsvBasePrice = QStringLiteral("Цена за зачётный кг");

// What is wrong with an imported table (the line number goes before it); %1 is the cell.
inline const QString CsvNoHeader = QStringLiteral(
    "нет заголовка: ожидается «Жир от;Жир до;СОМО от;СОМО до;Цена» или «Цена за зачётный кг;…»");
inline const QString CsvBadNumber = QStringLiteral("«%1» — не число или вне допустимого");
inline const QString CsvBandCells = QStringLiteral("в строке полосы должно быть пять ячеек");
inline const QString CsvBadEdge = QStringLiteral("граница полосы — не число");
inline const QString CsvEmptyBand = QStringLiteral("нижняя граница полосы не меньше верхней");
inline const QString CsvOverlap = QStringLiteral("полоса пересекается со строкой %1");
inline const QString CsvGradeCells = QStringLiteral("ожидается «сорт;надбавка, %»");
inline const QString CsvGradeTwice = QStringLiteral("сорт «%1» указан дважды");
inline const QString CsvNoBands = QStringLiteral("в таблице нет ни одной полосы");

// Shifts.
inline const QString ShiftMorning = QStringLiteral("утро");
inline const QString ShiftEvening = QStringLiteral("вечер");

} // namespace ReceptionStrings
