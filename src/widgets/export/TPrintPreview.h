#pragma once

// A print shown page by page on the default printer's page, landscape; the dialog's own print
// button prints it on the printer chosen there with the same drawing. The results print as
// Ctrl+P sends it draws onto a TPage; any other print (the protocol) onto the printer.

#include <functional>
#include <memory>

#include <QFont>

#include "results/TPage.h"

class QPrinter;
class QPrintPreviewDialog;
class QWidget;

class TPrintPreview
{
public:
    // draw puts the print onto a page, as the print action does.
    TPrintPreview(const QFont &font, std::function<void(TPage &)> draw);
    // paint draws on the printer it is given; an error text when it failed, else empty.
    explicit TPrintPreview(std::function<QString(QPrinter &)> paint);
    ~TPrintPreview();
    TPrintPreview(const TPrintPreview &) = delete;
    TPrintPreview &operator=(const TPrintPreview &) = delete;

    // The dialog, made on first use; this object owns it.
    QPrintPreviewDialog *dialog(QWidget *parent);
    // Shows the dialog modally.
    void exec(QWidget *parent);
    QPrinter &printer() { return *m_printer; }

private:
    std::function<QString(QPrinter &)> m_paint;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPrintPreviewDialog> m_dialog;
};
