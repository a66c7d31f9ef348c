#pragma once

// The texts of the exports, the report and the print preview. Russian, UTF-8.

#include <QString>

namespace Str {

inline const QString ActExport = QStringLiteral("Экспорт…");
inline const QString ActPrintReport = QStringLiteral("Печать отчёта…");
inline const QString ActPrintPreview = QStringLiteral("Предварительный просмотр");
inline const QString ExportCaption = QStringLiteral("Экспорт");
inline const QString FilterXlsx = QStringLiteral("Книга Excel (*.xlsx)");
inline const QString FilterCsv = QStringLiteral("Текст CSV, разделитель «;» (*.csv)");
inline const QString FilterPdf = QStringLiteral("Отчёт PDF (*.pdf)");
inline const QString SheetName = QStringLiteral("Результаты");

inline const QString ExportFailed = QStringLiteral("Не удалось экспортировать таблицу");
inline const QString FolderMissing = QStringLiteral("Папка не найдена");
inline const QString FolderNotWritable = QStringLiteral("Нет права записи в папку");
inline const QString FileNotWritable = QStringLiteral("Файл защищён от записи");
inline const QString TooManyRows = QStringLiteral("Строк больше, чем вмещает лист Excel");

// Report pages
inline const QString ReportPage = QStringLiteral("Стр. %1 из %2");
inline const QString ReportRows = QStringLiteral("Строк: %1");

} // namespace Str
