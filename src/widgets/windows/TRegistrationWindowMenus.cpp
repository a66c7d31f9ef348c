// The File menu's printing and the About window of a registration window.

#include <QLabel>

#include "controls/TColorStringGrid.h"
#include "controls/TfrmBAbout.h"
#include "table/ShownText.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/TQtPrinterPage.h"
#include "windows/TRegistrationWindow.h"

void TRegistrationWindow::actPrintExecute()
{
    MainGrid->CommitEditor();
    QString error;
    const TColorStringGrid *grid = MainGrid;
    const bool ok = PrintToDefaultPrinter(
        MainGrid->font(),
        [&](TPage &page) {
            // The print cuts a giant cell as the grid shows it; cutting its bytes here
            // already spares decoding all of it.
            const auto cell = [grid](int c, int r) {
                if (r < 1)
                    return grid->Cells(c, r);
                return ShownText::of(grid->Rows().CellBytes(c, TableShape::storeRow(r)));
            };
            PrintTable(page, cell, grid->RowCount(), PrintColumns(page.PageWidth()), m_fileName);
        },
        &error);
    if (!ok)
        MessageBox(QMessageBox::Warning, Str::ErrorCaption, error, QMessageBox::Ok);
}

void TRegistrationWindow::mnAboutClick()
{
    TfrmBAbout about(this);
    about.setWindowTitle(Str::AboutCaption);
    about.lblProgName->setText(Str::AboutProgram);
    about.lblCompanyName->setText(Str::AboutCompany);
    about.lblTel->setText(Str::AboutTel);
    about.exec();
}
