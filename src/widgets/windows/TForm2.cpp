#include "windows/TForm2.h"

#include "text/Strings.h"
#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "pollers/TOpTarvo.h"
#include "results/LocaleFormats.h"

TForm2 *Form2 = nullptr;

namespace {
constexpr int kColumns = 17;
}

TForm2::TForm2(QWidget *parent) : TRegistrationWindow(QStringLiteral("Form2"), parent)
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
    FormCreate(OpTarvo1, kColumns, QStringLiteral("Tarvo.Ini"));
}

void TForm2::SetTitles()
{
    for (int c = 0; c < kColumns; ++c)
        MainGrid->SetCells(c, 0, Str::TarvoTitles[c]);
}

// Sixteen units fill the width: fifteen full columns, and the number and group columns at half.
void TForm2::ApplyWidthRule()
{
    const int unit = (MainGrid->GridClientWidth() - 2) / (kColumns - 1);
    MainGrid->SetDefaultColWidth(unit);
    for (int c = 0; c < kColumns; ++c)
        MainGrid->SetColWidths(c, (c == 0 || c == 4) ? unit / 2 : unit);
}

std::vector<TPrintColumn> TForm2::PrintColumns(int pageWidth) const
{
    return TarvoPrintColumns(pageWidth);
}

void TForm2::OpTarvo1PutResult(TOpPoller *Sender)
{
    if (Sender->Command == 9) {
        Sender->Command = 0;
        return;
    }
    if (Sender->Command != 6)
        return;
    // A reply that does not decode is asked for again on the next poll.
    if (!DecodeTarvoReply(Sender->ResultData, m_block))
        return;
    const QDateTime now = Now();
    SetLastResultTime(now);
    Sender->Command = 9;
    if (!TarvoRowWanted(m_block))
        return;
    std::vector<std::pair<int, QString>> cells = {
        {2, FormatShortDate(now.date())},
        {3, FormatLongTime(now.time())},
        {4, QString::number(m_block.group)}};
    for (int k = 0; k < 12; ++k)
        cells.emplace_back(5 + k, FormatValue(m_block.values[k]));
    AddResultRow(cells);
}
