#pragma once

// "Экспорт…": the save dialog that picks the format by its filter (XLSX, CSV, PDF), and the
// writing of the table in that format.

#include <QFont>
#include <QString>
#include <QStringList>

#include "export/TExportTable.h"

class QWidget;

enum class TExportFormat { Xlsx, Csv, Pdf };

class TExportDialog
{
public:
    // The dialog's filters, XLSX first.
    static QStringList filters();
    static TExportFormat formatOfFilter(const QString &filter);
    static QString suffix(TExportFormat format);
    // The format a typed name asks for: its own known suffix wins over the filter; a name
    // without one gets the filter's suffix.
    static TExportFormat formatOfName(const QString &name, TExportFormat byFilter);
    static QString withSuffix(const QString &name, TExportFormat format);
    // A name beside the results file, its suffix replaced: ".../Новый1.txt" -> ".../Новый1.xlsx".
    static QString suggestedName(const QString &resultsFile, TExportFormat format);

    // Asks for the file; empty when cancelled. The name carries the format's suffix.
    static QString ask(QWidget *parent, const QString &resultsFile, TExportFormat *format);
    // Writes the table; false with a message for the operator.
    static bool write(TExportFormat format, const TExportTable &table, const QString &path,
                      const QFont &font, QString *error);
};
