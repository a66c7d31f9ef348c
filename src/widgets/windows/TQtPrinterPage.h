#pragma once

// The print layout's page on a real printer (or a PDF file), in printer pixels.

#include <functional>

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include "results/TPage.h"

class QPainter;
class QPrinter;

class TQtPrinterPage : public TPage
{
public:
    // The painter must be active on the printer; the font is set on it.
    TQtPrinterPage(QPrinter &printer, QPainter &painter, const QFont &font);

    int PageWidth() const override;
    int PageHeight() const override;
    int TextHeight(const QString &text) const override;
    void TextOut(int x, int y, const QString &text) override;
    void NewPage() override;

    // False when the printer refused a new page.
    bool Ok() const { return m_ok; }

private:
    QPrinter &m_printer;
    QPainter &m_painter;
    QFontMetrics m_metrics;
    bool m_ok = true;
};

// Prints to the default printer without a dialog. Returns false with a message when there is
// no printer or the job fails.
bool PrintToDefaultPrinter(const QFont &font, const std::function<void(TPage &)> &draw,
                           QString *error);

// The same onto a printer set up by the caller (a PDF file, for one).
bool PrintToPrinter(QPrinter &printer, const QFont &font, const std::function<void(TPage &)> &draw,
                    QString *error);
