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

// Reception in a registration window: the quantity column, the status bar, the menu.
inline const QString ColQuantityKg = QStringLiteral("Количество, кг");
inline const QString ColQuantityLitres = QStringLiteral("Количество, л");
inline const QString StatusOn = QStringLiteral("Приёмка");
// %1 the code, %2 the name, %3 the shift as ReceptionShift names it.
inline const QString SecondDelivery = QStringLiteral(
    "Поставщик %1 (%2) уже сдавал молоко в смену %3. Записать вторую сдачу?");
inline const QString SecondRefused = QStringLiteral(
    "Приёмка: вторая сдача поставщика %1 в смене не записана");
inline const QString NoArchivedResult = QStringLiteral(
    "Приёмка: результата этой строки нет в архиве, сдача не записана");
inline const QString MenuReception = QStringLiteral("Приёмка");
inline const QString ActRegister = QStringLiteral("Реестр поставщиков…");
inline const QString ActImportRates = QStringLiteral("Загрузить тариф…");
inline const QString ActReports = QStringLiteral("Отчёты приёмки…");
// Where the reports read the deliveries from.
inline const QString LabelSource = QStringLiteral("Данные:");
inline const QString SourceArchive = QStringLiteral("Архив этой станции");
inline const QString SourceServer = QStringLiteral("Сервер: все станции");

// The reports: a day's or a shift's summary and a supplier's statement.
inline const QString ColCode = QStringLiteral("Код");
inline const QString ColSupplier = QStringLiteral("Поставщик");
inline const QString ColDeliveries = QStringLiteral("Сдач");
inline const QString ColKilograms = QStringLiteral("Масса, кг");
inline const QString ColFat = QStringLiteral("Жир, %");
inline const QString ColSnf = QStringLiteral("СОМО, %");
inline const QString ColProtein = QStringLiteral("Белок, %");
inline const QString ColCredited = QStringLiteral("Зачётная масса, кг");
inline const QString ColAmount = QStringLiteral("Сумма, руб.");
inline const QString ColUnpriced = QStringLiteral("Без цены");
inline const QString ColDate = QStringLiteral("Дата");
inline const QString ColTime = QStringLiteral("Время");
inline const QString ColShift = QStringLiteral("Смена");
inline const QString ColRateVersion = QStringLiteral("Версия тарифа");
inline const QString ColPrice = QStringLiteral("Цена, руб./кг");
inline const QString Total = QStringLiteral("Итого");
// A statement's delivery that has no amount, in its amount cell; and their count.
inline const QString NoPrice = QStringLiteral("нет цены");
inline const QString UnpricedCount = QStringLiteral("Сдач без цены: %1");
inline const QString StatementTitle = QStringLiteral("Ведомость сдачи молока");
// %1 the supplier's code, %2 the name.
inline const QString StatementName = QStringLiteral("Поставщик %1 — %2");
inline const QString SignedBy = QStringLiteral("Сдал");
inline const QString ReceivedBy = QStringLiteral("Принял");

// The reports' dialog.
inline const QString ReportsCaption = QStringLiteral("Отчёты приёмки");
inline const QString ModeDay = QStringLiteral("Сводка за смену/день");
inline const QString ModeStatement = QStringLiteral("Ведомость поставщика");
inline const QString LabelDay = QStringLiteral("Дата:");
inline const QString LabelShift = QStringLiteral("Смена:");
inline const QString WholeDay = QStringLiteral("Весь день");
inline const QString LabelSupplier = QStringLiteral("Поставщик:");
inline const QString LabelFrom = QStringLiteral("С:");
inline const QString LabelTo = QStringLiteral("По:");
inline const QString ActPrint = QStringLiteral("Печать…");
inline const QString ActPdf = QStringLiteral("Сохранить как PDF…");
inline const QString ActXlsx = QStringLiteral("Сохранить как XLSX…");
inline const QString ActClose = QStringLiteral("Закрыть");
// A day report's name: %1 the day, or the shift as ReceptionShift names it.
inline const QString DayReportName = QStringLiteral("Сводка приёмки: %1");
inline const QString NoSupplier = QStringLiteral("Не выбран поставщик");
inline const QString PeriodWrong = QStringLiteral("Начало периода позже его конца");

// The supplier register and its form.
inline const QString RegisterCaption = QStringLiteral("Реестр поставщиков");
inline const QString ColFarm = QStringLiteral("Хозяйство");
inline const QString ColRoute = QStringLiteral("Маршрут");
inline const QString ColMilkType = QStringLiteral("Тип молока");
inline const QString ColActiveFrom = QStringLiteral("Действует с");
inline const QString ColActiveTo = QStringLiteral("Действует по");
inline const QString ColVersion = QStringLiteral("Версия");
inline const QString ActAdd = QStringLiteral("Добавить…");
inline const QString ActEdit = QStringLiteral("Изменить…");
inline const QString ActHistory = QStringLiteral("История…");
inline const QString FormAddCaption = QStringLiteral("Новый поставщик");
// %1 the supplier's code.
inline const QString FormEditCaption = QStringLiteral("Поставщик %1: новая версия");
inline const QString HistoryCaption = QStringLiteral("Поставщик %1: история изменений");
inline const QString FormCode = QStringLiteral("Код:");
inline const QString FormName = QStringLiteral("Поставщик:");
inline const QString FormFarm = QStringLiteral("Хозяйство:");
inline const QString FormRoute = QStringLiteral("Маршрут:");
inline const QString FormMilkType = QStringLiteral("Тип молока:");
inline const QString FormActiveFrom = QStringLiteral("Действует с:");
inline const QString FormActiveTo = QStringLiteral("Действует по:");
inline const QString FormNoDate = QStringLiteral("без даты");
inline const QString CodeEmpty = QStringLiteral("Не указан код поставщика");
inline const QString CodeTaken = QStringLiteral(
    "Код «%1» уже есть в реестре (%2). Чтобы изменить данные поставщика, выберите его в "
    "таблице и нажмите «Изменить…»");
inline const QString ActiveBackwards = QStringLiteral(
    "Дата «Действует с» позже даты «Действует по»");
// The save hook's error; %1 is what the archive said.
inline const QString SupplierNotSaved = QStringLiteral("Поставщик не сохранён: %1");

// The rate table import.
inline const QString RateImportCaption = QStringLiteral("Загрузка тарифа");
inline const QString RateFile = QStringLiteral("Файл:");
inline const QString RateValidFrom = QStringLiteral("Действует с:");
inline const QString RateMilkType = QStringLiteral("Тип молока:");
inline const QString RateMilkTypeHint = QStringLiteral("пусто — общий тариф для всех типов");
inline const QString ActChooseFile = QStringLiteral("Выбрать файл…");
inline const QString ActLoad = QStringLiteral("Загрузить");
inline const QString RateFileFilter = QStringLiteral("Таблицы CSV (*.csv *.txt);;Все файлы (*)");
inline const QString RateNoFile = QStringLiteral("Файл тарифа не выбран");
// %1 the file, %2 why.
inline const QString RateUnreadable = QStringLiteral("Не удалось прочитать файл «%1»: %2");
inline const QString RateTooLarge = QStringLiteral("файл слишком большой для таблицы тарифа");
// %1 the line, %2 what is wrong there.
inline const QString RateLineError = QStringLiteral("Строка %1: %2");
inline const QString RateBands = QStringLiteral("Таблица полос «жир × СОМО», полос: %1");
// %1 the price, %2 how many grades.
inline const QString RateBase = QStringLiteral(
    "Цена за зачётный кг: %1 руб., сортов с надбавкой или скидкой: %2");
inline const QString RateCp1251 = QStringLiteral(" (файл в кодировке Windows-1251)");
inline const QString RateNotSaved = QStringLiteral("Тариф не загружен: %1");

} // namespace ReceptionStrings
