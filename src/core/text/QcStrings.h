#pragma once

// The texts of quality control: control materials, rule names, calibration. Russian, UTF-8;
// the rule names are spelt as laboratories write them on their charts.

#include <QString>

namespace Str {

// Rule names
inline const QString Rule12s = QStringLiteral("1-2s");
inline const QString Rule13s = QStringLiteral("1-3s");
inline const QString Rule22s = QStringLiteral("2-2s");
inline const QString RuleR4s = QStringLiteral("R-4s");
inline const QString Rule41s = QStringLiteral("4-1s");
inline const QString Rule10x = QStringLiteral("10x");

// Notes on a "Control" section that could not be taken whole; %1 is the key or the
// material's number.
inline const QString QcNoteBadKey = QStringLiteral(
    "Контроль: строка «%1» не относится ни к одному материалу, пропущена");
inline const QString QcNoteNoPrefix = QStringLiteral(
    "Контроль, материал %1: нет префикса шифра, материал пропущен");
inline const QString QcNoteNoName = QStringLiteral(
    "Контроль, материал %1: нет названия, материал пропущен");
inline const QString QcNoteSamePrefix = QStringLiteral(
    "Контроль, материал %1: префикс «%2» уже у другого материала, материал пропущен");
inline const QString QcNoteBadDate = QStringLiteral(
    "Контроль, материал %1: срок годности «%2» не дата, материал пропущен");
// %1 material, %2 column, %3 the value.
inline const QString QcNoteNoColumn = QStringLiteral(
    "Контроль, материал %1: нет столбца %2, строка пропущена");
inline const QString QcNoteBadTarget = QStringLiteral(
    "Контроль, материал %1, столбец %2: «%3» не «значение;СКО», строка пропущена");
inline const QString QcNoteBadSd = QStringLiteral(
    "Контроль, материал %1, столбец %2: СКО «%3» не больше нуля, строка пропущена");
inline const QString QcNoteBadSchedule = QStringLiteral(
    "Контроль: «%1» не целое число больше нуля, напоминание по нему не действует");
inline const QString QcNoteMore = QStringLiteral("Контроль: ещё замечаний: %1");

// The window's state in the status bar; %1 the rules with their columns, %2 the time of the
// last good control.
inline const QString QcNoData = QStringLiteral("Контроль: нет данных");
inline const QString QcInControl = QStringLiteral("Контроль: в норме");
inline const QString QcWarning = QStringLiteral("Контроль: предупреждение %1");
inline const QString QcRejection = QStringLiteral(
    "Контроль: отклонение %1 — результаты после %2 под вопросом");
inline const QString QcRejectionNoGood = QStringLiteral(
    "Контроль: отклонение %1 — принятого контроля до него нет, результаты под вопросом");
inline const QString QcUnread = QStringLiteral("Контроль: не оценён, архив сейчас не прочитать");
inline const QString QcRulesOf = QStringLiteral("%1 (%2)"); // rules, columns

// Results held after a rejection: %1 the rules with their columns, %2 the rejecting control's
// time; the count of held results; the time of the action that released them.
inline const QString QcHeldTitle = QStringLiteral("Задержан");
inline const QString QcHeldCell = QStringLiteral("отклонение %1 в %2");
inline const QString QcHeldWhy = QStringLiteral("Результат задержан: %1");
inline const QString QcHeldTail = QStringLiteral(
    "; задержано результатов: %1 — нужно действие по контролю");
inline const QString QcReleased = QStringLiteral(
    "Контроль: действие записано в %1, результаты выпущены");
inline const QString QcDueTail = QStringLiteral("; пора поставить контрольную пробу");

// The operator's action after a rejection
inline const QString ActQcAction = QStringLiteral("Действие по контролю…");
// Labels the open row as the next control sample; with several materials, one item each.
inline const QString ActQcMark = QStringLiteral("Контроль");
inline const QString ActQcMarkOf = QStringLiteral("Контроль: %1");
inline const QString QcActionCaption = QStringLiteral("Действие по контролю");
inline const QString QcActionWho = QStringLiteral("Кто: %1\nКогда: %2");
inline const QString QcActionHeld = QStringLiteral("Задержаны результаты после %1: отклонение %2");
inline const QString QcActionHeldAll = QStringLiteral("Задержаны результаты: отклонение %1");
inline const QString QcActionNothingHeld = QStringLiteral("Задержанных результатов нет");
inline const QString QcActionWhat = QStringLiteral("Что сделано (обязательно):");
inline const QString QcActionNotRecorded = QStringLiteral(
    "Действие не записано: архив сейчас недоступен. Результаты остаются задержанными.");

// Why a calibration is not computed
inline const QString CalTooFew = QStringLiteral("нужно не меньше трёх проб");
inline const QString CalNotPaired = QStringLiteral("значений прибора и эталона не поровну");
inline const QString CalNotNumber = QStringLiteral("среди значений есть не число");
inline const QString CalSameX = QStringLiteral("все значения прибора одинаковы");
inline const QString CalSameY = QStringLiteral("все значения эталона одинаковы");

// Calibration against reference samples: the "Сервис" menu, the dialog, the table's mark.
inline const QString ActCalibration = QStringLiteral("Калибровка…");
inline const QString ActCorrectedToFile = QStringLiteral("Поправки в файл результатов");
inline const QString CalCaption = QStringLiteral("Калибровка по эталонным пробам");
inline const QString CalColumn = QStringLiteral("Показатель:");
inline const QString CalSampleTitle = QStringLiteral("Проба");
inline const QString CalInstrumentTitle = QStringLiteral("Прибор");
inline const QString CalReferenceTitle = QStringLiteral("Эталон");
inline const QString CalAccept = QStringLiteral("Принять");
inline const QString CalFromArchive = QStringLiteral("Из архива…");
inline const QString CalNoRows = QStringLiteral(
    "Выделите в таблице строки эталонных проб с результатами прибора");
// %1 n, %2 slope, %3 intercept, %4 r, %5 residual SD.
inline const QString CalFit = QStringLiteral(
    "n = %1, наклон %2, сдвиг %3, r = %4, СКО остатков %5");
inline const QString CalRefused = QStringLiteral("Калибровка не рассчитана: %1");
inline const QString CalBadReference = QStringLiteral("Эталон в строке %1: «%2» не число");
inline const QString CalInForce = QStringLiteral("Действует: наклон %1, сдвиг %2, n = %3, %4");
inline const QString CalAcceptFailed = QStringLiteral("Калибровка не сохранена в архиве: %1");
inline const QString CalMarkTip = QStringLiteral("Прибор: %1");
inline const QString CalMark = QStringLiteral("*");
// The line after an export's rows; %1 the columns, each "title (count)".
inline const QString CalExportNote = QStringLiteral("Исправлено по калибровке: %1");
inline const QString CalExportColumn = QStringLiteral("%1 (%2)");

} // namespace Str
