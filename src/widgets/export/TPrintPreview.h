#pragma once

// "Предварительный просмотр": the results print as Ctrl+P sends it to the default printer
// (landscape, the same drawing), shown page by page; the dialog's own print button prints it
// on the printer chosen there.

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
    ~TPrintPreview();
    TPrintPreview(const TPrintPreview &) = delete;
    TPrintPreview &operator=(const TPrintPreview &) = delete;

    // The dialog, made on first use; this object owns it.
    QPrintPreviewDialog *dialog(QWidget *parent);
    // Shows the dialog modally.
    void exec(QWidget *parent);
    QPrinter &printer() { return *m_printer; }

private:
    QFont m_font;
    std::function<void(TPage &)> m_draw;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPrintPreviewDialog> m_dialog;
};
