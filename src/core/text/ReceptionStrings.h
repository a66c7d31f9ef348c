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

// A value of the "Reception" section that does not read; %1 is the key, %2 the value.
inline const QString SettingsBadValue = QStringLiteral(
    "Приёмка: значение %1=%2 не подходит, взято значение по умолчанию");

// A label that is no active supplier's code; %1 is the code, %2 the supplier's name.
inline const QString SupplierUnknown = QStringLiteral(
    "Приёмка: поставщика с кодом «%1» нет в реестре");
inline const QString SupplierInactive = QStringLiteral(
    "Приёмка: поставщик %1 (%2) не действует на дату пробы");

// A typed quantity that is no number above zero; %1 is what was typed.
inline const QString QuantityBad = QStringLiteral(
    "Приёмка: количество «%1» — не число больше нуля");

// Shifts.
inline const QString ShiftMorning = QStringLiteral("утро");
inline const QString ShiftEvening = QStringLiteral("вечер");

} // namespace ReceptionStrings
