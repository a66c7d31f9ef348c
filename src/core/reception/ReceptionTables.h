#pragma once

// The reception's reports as tables for the exports, the print and the PDF: the summary of a
// day or a shift, a line per supplier, and a supplier's statement of every delivery of a
// period with its signature lines. Figures carry two decimals with the locale's separator;
// the column kinds let a workbook keep them as numbers.

#include <utility>

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include "export/TExportTable.h"
#include "reception/Delivery.h"
#include "reception/DeliveryReport.h"

namespace ReceptionTables {

// What a summary covers of its day.
enum class DayPart { WholeDay, Morning, Evening };

// From when and up to (not including) when a day or one of its shifts runs; eveningHour as
// ReceptionShift takes it.
std::pair<QDateTime, QDateTime> bounds(QDate day, DayPart part, int eveningHour);

// "Код", "Поставщик", "Сдач", "Масса, кг", "Жир, %", "Белок, %", "Зачётная масса, кг",
// "Сумма, руб." and "Без цены", the count of a supplier's deliveries without an amount (empty
// when all have one); the amount adds those that have one. The totals ("Итого") are the
// statistics line; a report without lines has none.
TExportTable dayReport(const DeliveryReport &report, const QString &title, const QLocale &locale);

// The supplier's deliveries of days from .. to, in time order (others in the list are left
// out): date, time, shift, mass, fat, SNF, protein, credited mass, the rate table's version,
// price and amount ("нет цены" for a delivery without one). The totals line adds the masses
// and amounts and weighs the means by mass; a second line counts the deliveries without a
// price. The protocol header names the period and has the lines "Сдал" and "Принял".
TExportTable statement(const QString &code, const QString &name, const QList<Delivery> &deliveries,
                       QDate from, QDate to, int eveningHour, const QLocale &locale);

// The same table for a spreadsheet: its statistics lines become rows after the others, as a
// workbook has no place for them.
TExportTable withTotalsAsRows(const TExportTable &table);

} // namespace ReceptionTables
