#include "windows/TQtPrinterPage.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "text/Strings.h"

namespace {

// A font sized in screen pixels would come out a few dots high on a printer; points scale.
QFont PrinterFont(QFont font)
{
    if (font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    return font;
}

void SetError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

TQtPrinterPage::TQtPrinterPage(QPrinter &printer, QPainter &painter, const QFont &font)
    : m_printer(printer)
    , m_painter(painter)
    , m_metrics(PrinterFont(font), &printer)
{
    m_painter.setFont(PrinterFont(font));
}

int TQtPrinterPage::PageWidth() const
{
    return m_printer.width();
}

int TQtPrinterPage::PageHeight() const
{
    return m_printer.height();
}

int TQtPrinterPage::TextHeight(const QString &) const
{
    // One line of the font, whatever the text holds, so that all rows step alike.
    return m_metrics.height();
}

void TQtPrinterPage::TextOut(int x, int y, const QString &text)
{
    if (!text.isEmpty())
        m_painter.drawText(x, y + m_metrics.ascent(), text);
}

void TQtPrinterPage::NewPage()
{
    if (!m_printer.newPage())
        m_ok = false;
}

bool PrintToDefaultPrinter(const QFont &font, const std::function<void(TPage &)> &draw,
                           QString *error)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        SetError(error, Str::NoPrinter);
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    // Sixteen or more columns at the grid's font overprint each other across a portrait page;
    // across a landscape one most values and titles stand clear.
    printer.setPageOrientation(QPageLayout::Landscape);
    return PrintToPrinter(printer, font, draw, error);
}

bool PrintToPrinter(QPrinter &printer, const QFont &font, const std::function<void(TPage &)> &draw,
                    QString *error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        SetError(error, Str::PrintFailed);
        return false;
    }
    TQtPrinterPage page(printer, painter, font);
    draw(page);
    const bool ended = painter.end();
    if (!ended || !page.Ok() || printer.printerState() == QPrinter::Error) {
        SetError(error, Str::PrintFailed);
        return false;
    }
    return true;
}
