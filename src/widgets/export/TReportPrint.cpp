#include "export/TReportPrint.h"

#include <QPrintDialog>
#include <QPrinter>

#include "export/TReport.h"
#include "text/Strings.h"

bool TReportPrint::exec(QWidget *parent, const TExportTable &table, const QFont &font,
                        QString *error, const std::function<bool(QPrinter &)> &ask)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(table.name);
    TReport report(table, font);
    const bool chosen = ask ? ask(printer) : [&] {
        QPrintDialog dialog(&printer, parent);
        dialog.setMinMax(1, report.layout(printer));
        return dialog.exec() == QDialog::Accepted;
    }();
    if (!chosen)
        return false;
    if (!paint(printer, table, font)) {
        if (error)
            *error = Str::PrintFailed;
        return false;
    }
    return true;
}

bool TReportPrint::paint(QPrinter &printer, const TExportTable &table, const QFont &font)
{
    TReport report(table, font);
    const bool range = printer.printRange() == QPrinter::PageRange;
    const bool printed = report.print(printer, range ? printer.fromPage() : 1,
                                      range ? printer.toPage() : 0);
    return printed && printer.printerState() != QPrinter::Error;
}
