#pragma once

// "Печать отчёта…": the report of a table on a printer the operator picks in the print
// dialog, landscape unless changed there.

#include <functional>

#include <QFont>
#include <QString>

#include "export/TExportTable.h"

class QPrinter;
class QWidget;

class TReportPrint
{
public:
    // Asks for the printer (ask replaces the print dialog; it returns false for Cancel) and
    // prints. False when cancelled (*error stays empty) or when printing failed (*error says
    // so).
    static bool exec(QWidget *parent, const TExportTable &table, const QFont &font, QString *error,
                     const std::function<bool(QPrinter &)> &ask = {});
    // Draws the report on a printer that is set up (the pages it asks for); false when
    // printing failed. The print preview draws with it too, so it shows what prints.
    static bool paint(QPrinter &printer, const TExportTable &table, const QFont &font);
};
