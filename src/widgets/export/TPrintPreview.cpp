#include "export/TPrintPreview.h"

#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "text/Strings.h"
#include "windows/TQtPrinterPage.h"

TPrintPreview::TPrintPreview(const QFont &font, std::function<void(TPage &)> draw)
    : TPrintPreview([font, draw = std::move(draw)](QPrinter &printer) {
        QString error;
        return PrintToPrinter(printer, font, draw, &error) ? QString() : error;
    })
{}

TPrintPreview::TPrintPreview(std::function<QString(QPrinter &)> paint)
    : m_paint(std::move(paint))
{
    // The page of the default printer, as the print action uses it; without one, the
    // preview still shows the pages on the usual paper.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    m_printer = info.isNull() ? std::make_unique<QPrinter>(QPrinter::HighResolution)
                              : std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    m_printer->setPageOrientation(QPageLayout::Landscape);
}

TPrintPreview::~TPrintPreview()
{
    // The dialog refers to the printer: it goes first.
    m_dialog.reset();
}

QPrintPreviewDialog *TPrintPreview::dialog(QWidget *parent)
{
    if (m_dialog)
        return m_dialog.get();
    m_dialog = std::make_unique<QPrintPreviewDialog>(m_printer.get(), parent);
    QPrintPreviewDialog *d = m_dialog.get();
    QObject::connect(d, &QPrintPreviewDialog::paintRequested, d, [this, d](QPrinter *printer) {
        const QString error = m_paint(*printer);
        if (!error.isEmpty())
            QMessageBox::warning(d, Str::ErrorCaption, error);
    });
    return d;
}

void TPrintPreview::exec(QWidget *parent)
{
    dialog(parent)->exec();
}
