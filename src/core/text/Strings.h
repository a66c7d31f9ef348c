#pragma once

// Every text the user sees, in one place. Russian, UTF-8.

#include <QString>
#include <QStringList>

namespace Str {

// Instrument choice
inline const QString ChoiceCaption = QStringLiteral("Регистрация reg.01");
inline const QString ChoiceGroup = QStringLiteral("Выберите прибор");
inline const QString ModelTarvo = QStringLiteral("Тарво-2(2M)");
inline const QString ModelMirel = QStringLiteral("Мирел-2");
inline const QString ModelBestan = QStringLiteral("Бестан-1(1М)");
inline const QString Continue = QStringLiteral("Продолжить");

// Registration windows
inline const QString WindowCaption = QStringLiteral("Регистрация");
inline const QString NewFileBase = QStringLiteral("Новый");
inline const QString TxtExt = QStringLiteral(".txt");
inline const QString MenuFile = QStringLiteral("Файл");
inline const QString MenuView = QStringLiteral("Показатели");
inline const QString MenuAbout = QStringLiteral("О программе");
inline const QString ActNew = QStringLiteral("Новый");
inline const QString ActOpen = QStringLiteral("Открыть");
inline const QString ActSave = QStringLiteral("Сохранить");
inline const QString ActSaveAs = QStringLiteral("Сохранить как");
inline const QString ActPrint = QStringLiteral("Печать");
inline const QString PollStop = QStringLiteral("Остановить опрос");
inline const QString PollStart = QStringLiteral("Включить опрос");
inline const QString DeviceNumberHint = QStringLiteral("Номер прибора");
inline const QString FileFilter = QStringLiteral("Текстовые файлы (*.txt)");
inline const QString DefaultExt = QStringLiteral("txt");

// Messages
inline const QString ErrorCaption = QStringLiteral("Ошибка");
inline const QString ErrorOpenPort = QStringLiteral("Ошибка открытия порта");
inline const QString AskSave = QStringLiteral("Сохранить данные?");
inline const QString DataChanged = QStringLiteral("Данные были изменены");
inline const QString SaveFailed = QStringLiteral("Не удалось сохранить файл");
inline const QString OpenFailed = QStringLiteral("Не удалось открыть файл");
inline const QString NoPrinter = QStringLiteral(
    "Принтер не найден. Установите принтер по умолчанию и повторите печать.");
inline const QString PrintFailed = QStringLiteral("Не удалось напечатать таблицу");
inline const QString PageLabel = QStringLiteral("Стр. ");
// The paragraph ends: a load error may follow it in the same box.
inline const QString SettingsTooLarge = QStringLiteral(
    "Файл настроек «%1» больше %2 МиБ и не прочитан: окно работает с настройками по "
    "умолчанию и не записывает их в этот файл. Уменьшите файл или удалите его.\n\n");

// Crash recovery
inline const QString RecoveryCaption = QStringLiteral("Восстановление данных");
inline const QString RecoveryQuestion = QStringLiteral(
    "Программа была завершена аварийно. Найдены несохранённые результаты: %1.\n"
    "Восстановить их в таблице?");

// The recovery journal that cannot be kept, and rows given back onto a changed file
inline const QString JournalCaption = QStringLiteral("Журнал восстановления");
inline const QString JournalHeld = QStringLiteral("журнал занят другой копией программы");
inline const QString NotRegularFile = QStringLiteral("это не обычный файл");
inline const QString JournalFailed = QStringLiteral(
    "Не удаётся вести журнал восстановления \"%1\":\n%2\n"
    "Пока это так, результаты, не сохранённые в файл, пропадут при аварийном завершении "
    "программы. Сохраняйте таблицу почаще.");
inline const QString JournalBusy = QStringLiteral(
    "Программа уже запущена с этими же настройками: журнал восстановления \"%1\" ведёт "
    "другая её копия.\n"
    "В этой копии защиты от потери данных нет: результаты, не сохранённые в файл, пропадут "
    "при аварийном завершении, а настройки при закрытии запишет та копия, что закроется "
    "последней. Лучше работать в одной копии.");
inline const QString JournalOldRows = QStringLiteral(
    "в журнале остались несохранённые результаты прежнего сеанса; они будут предложены к "
    "восстановлению при следующем запуске");
inline const QString JournalMark = QStringLiteral("Журнал восстановления не ведётся");
inline const QString RecoveryFileChanged = QStringLiteral(
    "Файл \"%1\" изменился после аварийного завершения программы.\n"
    "Восстановленные строки (%2) добавлены после его строк, ни одна строка файла не "
    "заменена. Сохраните таблицу.");
inline const QString RecoveryFileMissing = QStringLiteral(
    "Файл \"%1\" не найден.\n"
    "Восстановленные строки (%2) открыты как новая таблица \"%3\". Сохраните её.");
inline const QString AskSaveLateResults = QStringLiteral(
    "Пока был открыт вопрос, пришли новые результаты: %1.\nСохранить данные?");

// Tarvo columns
inline const QStringList TarvoTitles = {QStringLiteral("№ ст"),
                                        QStringLiteral("Проба"),
                                        QStringLiteral("Дата"),
                                        QStringLiteral("Время"),
                                        QStringLiteral("№ гр."),
                                        QStringLiteral("Температура"),
                                        QStringLiteral("Жир"),
                                        QStringLiteral("СОМО"),
                                        QStringLiteral("Плотность"),
                                        QStringLiteral("Белок"),
                                        QStringLiteral("Доб.вода"),
                                        QStringLiteral("Вых.сигнал"),
                                        QStringLiteral("Лактоза"),
                                        QStringLiteral("Соли"),
                                        QStringLiteral("СМО"),
                                        QStringLiteral("Т.замерзания"),
                                        QStringLiteral("Ст.гомогенизации")};

// About window
inline const QString AboutCaption = QStringLiteral("О программе");
inline const QString AboutProgram = QStringLiteral("Регистрация");
inline const QString AboutVersion = QStringLiteral("Версия %1, Qt %2");
inline const QString AboutCompany = QStringLiteral("ООО НПП \"ОРВАНТ\"");
inline const QString AboutTel = QStringLiteral("тел/факс +7 (000) 000-00-00");
inline const QString AboutSite = QStringLiteral("www.orvant.example");
inline const QString AboutSiteUrl = QStringLiteral("https://www.orvant.example/");
inline const QString AboutEmail = QStringLiteral("info@orvant.example");
inline const QString Ok = QStringLiteral("OK");

// Results file errors (the headline is SaveFailed or OpenFailed)
inline const QString FileTooLarge = QStringLiteral("Файл слишком велик");
inline const QString FileIsFolder = QStringLiteral("Это папка, а не файл");
inline const QString TableNeedsMemory = QStringLiteral(
    "Файл слишком велик для памяти этого компьютера: его таблице нужно около %1 МБ, "
    "а свободно %2 МБ.");

} // namespace Str

// Registration windows, further texts
namespace Str {
inline const QString Confirm = QStringLiteral("Подтверждение");
} // namespace Str

// The archive: status bar lines and the search dialog
namespace Str {
inline const QString ArchiveClosed = QStringLiteral("Архив: не открыт");
inline const QString ArchiveOk = QStringLiteral("Архив: в порядке");
inline const QString ArchiveBusy = QStringLiteral("Архив: занят другой копией программы");
inline const QString ArchiveReadOnly = QStringLiteral("Архив: запись запрещена");
inline const QString ArchiveCorrupt = QStringLiteral("Архив: файл повреждён");
inline const QString ArchiveDiskFull = QStringLiteral("Архив: нет места на диске");
inline const QString ArchiveWriteError = QStringLiteral("Архив: ошибка записи");
inline const QString ArchiveCannotOpen = QStringLiteral("Архив: не удалось открыть файл");
inline const QString ArchiveTooNew = QStringLiteral(
    "Архив: создан более новой версией программы, запись отключена");
inline const QString ArchiveNoDriver = QStringLiteral("Архив: не установлен драйвер SQLite");
inline const QString ArchivePending = QStringLiteral(", ждут записи: %1");
inline const QString ArchiveLost = QStringLiteral(", не записано и потеряно: %1");

inline const QString ArchiveCaption = QStringLiteral("Архив");
inline const QString ArchiveMenu = QStringLiteral("Архив…");
inline const QString ArchiveLabel = QStringLiteral("Проба содержит:");
inline const QString ArchiveFrom = QStringLiteral("с");
inline const QString ArchiveTo = QStringLiteral("по");
inline const QString ArchiveModel = QStringLiteral("Прибор:");
inline const QString ArchiveAnyModel = QStringLiteral("Все приборы");
inline const QString ArchiveFind = QStringLiteral("Найти");
inline const QString ArchiveWhere = QStringLiteral("Искать:");
inline const QString ArchiveHere = QStringLiteral("на этой станции");
inline const QString ArchiveOnServer = QStringLiteral("на сервере (все станции)");
inline const QString ArchiveHistory = QStringLiteral("История пробы");
inline const QString ArchiveOpenAsTable = QStringLiteral("Открыть как таблицу");
inline const QString ArchiveExport = QStringLiteral("Экспорт…");
inline const QString ArchiveClose = QStringLiteral("Закрыть");
inline const QString ArchiveFound = QStringLiteral("Найдено: %1");
inline const QString ArchiveTruncated = QStringLiteral(
    "Показаны последние %1 результатов; уточните условия поиска");
inline const QString ArchiveSearchFailed = QStringLiteral("Поиск не удался: %1");
// A hit whose result was no longer there when its details were read (a server's record
// deleted there meanwhile): station, number.
inline const QString ArchiveHitGone = QStringLiteral("результат %2 станции «%1» больше не найден");
inline const QString ArchiveEdited = QStringLiteral("изменена");
inline const QString ArchiveEditedTitle = QStringLiteral("Правка");
inline const QString ArchiveModelTitle = QStringLiteral("Прибор");
inline const QString ArchiveValueTitle = QStringLiteral("Показатель %1");
inline const QString ArchiveFirstLabel = QStringLiteral("Проба при получении результата: %1");
inline const QString ArchiveNoChanges = QStringLiteral("Проба не изменялась");
inline const QStringList ArchiveHistoryTitles = {QStringLiteral("Когда"),
                                                 QStringLiteral("Строка"),
                                                 QStringLiteral("Было"),
                                                 QStringLiteral("Стало"),
                                                 QStringLiteral("Пользователь"),
                                                 QStringLiteral("Файл")};
} // namespace Str

// Operator comforts: files that do not look like results tables, the label column, the
// columns dialog, leaving the program
namespace Str {
inline const QString ForeignOpen = QStringLiteral(
    "Файл \"%1\" не похож на таблицу результатов: это может быть документ другой "
    "программы.\nОткрыть его всё равно?");
inline const QString ForeignSave = QStringLiteral(
    "Файл \"%1\" не похож на таблицу результатов. Сохранение заменит всё его содержимое "
    "таблицей.\nСохранить в него?");
inline const QString ActExit = QStringLiteral("Выход");
inline const QString ActColumns = QStringLiteral("Показатели…");
inline const QString ColumnsCaption = QStringLiteral("Показатели");
inline const QString ColumnsAll = QStringLiteral("Все");
inline const QString ColumnsNone = QStringLiteral("Ни одного");
inline const QString LabelQueue = QStringLiteral("Метки в очереди: %1");
inline const QString LabelQueueHint = QStringLiteral(
    "Метки ждут следующих результатов. Щёлкните, чтобы увидеть очередь или очистить её.");
inline const QString LabelQueueClear = QStringLiteral(
    "Метки в очереди (%1) ждут следующих результатов.\nОчистить очередь?");
inline const QString LabelQueueCaption = QStringLiteral("Метки в очереди");
inline const QString LabelQueueOrder = QStringLiteral(
    "Следующие результаты получат эти метки по порядку:");
inline const QString LabelQueueItem = QStringLiteral("%1. %2"); // the place in the queue, the label
inline const QString LabelQueueClearButton = QStringLiteral("Очистить очередь");
inline const QString LabelQueueClose = QStringLiteral("Закрыть");
inline const QString LabelCharRefused = QStringLiteral(
    "Символ «%1» нельзя записать в файл результатов (кодировка Windows-1251)");
} // namespace Str
