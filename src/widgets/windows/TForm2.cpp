#include "windows/TForm2.h"

#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "pollers/TOpTarvo.h"
#include "results/LocaleFormats.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/TLabelEntry.h"
#include "windows/TLineView.h"
#include "windows/TWindowPlacement.h"

TForm2 *Form2 = nullptr;

namespace {

constexpr int kColumns = 17;
// The width rule divides the grid into sixteen units.
constexpr int kUnits = kColumns - 1;

// Where the screen allows, a unit as wide as the title "Т.замерзания": dates and most titles
// fit their columns.
int wantedWidth()
{
    return TRegistrationUi::widthForUnits(kUnits, Str::TarvoTitles[15]);
}

} // namespace

void TForm2::WriteExtraSettings(TIniPlus &ini)
{
    m_placement->writeSettings(ini);
}

TForm2::TForm2(QWidget *parent)
    : TRegistrationWindow(QStringLiteral("Form2"), wantedWidth(), parent)
{
    OpTarvo1 = new TOpTarvo(this);
    OpTarvo1->setObjectName(QStringLiteral("OpTarvo1"));
    OpTarvo1->OnStarting = [this](TOpPoller *s) { OpTarvo1Starting(s); };
    OpTarvo1->OnStoping = [this](TOpPoller *s) { OpTarvo1Stoping(s); };
    OpTarvo1->OnErrorOpenPort = [this](TOpPoller *s) { OpTarvo1ErrorOpenPort(s); };
    OpTarvo1->OnGetNumber = [this](TOpPoller *s) { OpTarvo1GetNumber(s); };
    OpTarvo1->OnPutResult = [this](TOpPoller *s) { OpTarvo1PutResult(s); };
    QFont f = NumberEdit1->font();
    f.setBold(true);
    f.setPointSize(12);
    NumberEdit1->setFont(f);
    FormCreate(OpTarvo1, kColumns, QStringLiteral("Tarvo.Ini"), TResultDecoder::tarvo());
    new TLineView(this);
    new TLabelEntry(this);
    m_placement = new TWindowPlacement(this, settings().ini());
    EndFileMenu();
}

void TForm2::SetTitles()
{
    for (int c = 0; c < kColumns; ++c)
        MainGrid->SetCells(c, 0, Str::TarvoTitles[c]);
}

// Sixteen units fill the width: fifteen full columns, and the number and group columns at half.
// Reception's quantity column is one more unit, at the default width.
void TForm2::ApplyWidthRule()
{
    const int unit = (MainGrid->GridClientWidth() - 2) / (kUnits + (reception() ? 1 : 0));
    MainGrid->SetDefaultColWidth(unit);
    for (int c = 0; c < kColumns; ++c) {
        const bool half = c == TableShape::NumberCol || c == TableShape::GroupCol;
        MainGrid->SetColWidths(c, half ? unit / 2 : unit);
    }
}

std::vector<TPrintColumn> TForm2::PrintColumns(int pageWidth) const
{
    return TarvoPrintColumns(pageWidth);
}
