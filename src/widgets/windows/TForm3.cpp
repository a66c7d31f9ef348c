#include "windows/TForm3.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "pollers/TOpMirel.h"
#include "results/LocaleFormats.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/TColumnsDialog.h"
#include "windows/TLabelEntry.h"
#include "windows/TLineView.h"
#include "windows/TReceptionPart.h"
#include "windows/TWindowPlacement.h"

TForm3 *Form3 = nullptr;

namespace {
constexpr int kColumns = 32;
// The value columns can be hidden; number, label, date, time and count always show.
constexpr int kFirstOptional = TableShape::FirstValueCol;
const QString kColumnsSection = QStringLiteral("Columns");
const QString kViewSection = QStringLiteral("View");

// The titles are known only once the settings are read; the window opens as wide as the first
// family's, whose titles are the instruments' usual ones.
int wantedWidth()
{
    return TRegistrationUi::widthForUnits(16, Str::TarvoTitles[15]);
}

} // namespace

TForm3::TForm3(QWidget *parent)
    : TRegistrationWindow(QStringLiteral("Form3"), wantedWidth(), parent)
    , m_titles(kColumns)
{
    OpMirel1 = new TOpMirel(this);
    OpMirel1->setObjectName(QStringLiteral("OpMirel1"));
    OpMirel1->OnStarting = [this](TOpPoller *s) { OpMirel1Starting(s); };
    OpMirel1->OnStoping = [this](TOpPoller *s) { OpMirel1Stoping(s); };
    OpMirel1->OnErrorOpenPort = [this](TOpPoller *s) { OpMirel1ErrorOpenPort(s); };
    OpMirel1->OnGetNumber = [this](TOpPoller *s) { OpMirel1GetNumber(s); };
    OpMirel1->OnPutResult = [this](TOpPoller *s) { OpMirel1PutResult(s); };
    QFont f = NumberEdit1->font();
    f.setBold(true);
    f.setPixelSize(16);
    NumberEdit1->setFont(f);
    mnView = new QMenu(Str::MenuView, this);
    mnView->setObjectName(QStringLiteral("mnView"));
    menuBar()->insertMenu(mnAbout, mnView);
    FormCreate(OpMirel1, kColumns, QStringLiteral("Mirel2.Ini"), TResultDecoder::mirel());
    new TLineView(this);
    new TLabelEntry(this);
    m_placement = new TWindowPlacement(this, settings().ini());
    EndFileMenu();
    QAction *columns = qualityPanel->serviceMenu()->addAction(Str::ActColumns);
    columns->setObjectName(QStringLiteral("actColumns"));
    connect(columns, &QAction::triggered, this, &TForm3::chooseColumns);
    askColumns = [this](const QStringList &titles, const QList<bool> &shown) {
        TColumnsDialog dialog(titles, shown, this);
        return dialog.exec() == QDialog::Accepted ? std::optional(dialog.shown()) : std::nullopt;
    };
}

void TForm3::chooseColumns()
{
    const auto items = mnView->actions();
    QStringList titles;
    QList<bool> shown;
    for (const QAction *item : items) {
        titles.append(item->text());
        shown.append(item->isChecked());
    }
    const std::optional<QList<bool>> chosen = askColumns(titles, shown);
    if (!chosen)
        return;
    // Each change takes the path of a click on its menu item.
    for (qsizetype i = 0; i < items.size() && i < chosen->size(); ++i) {
        if (items[i]->isChecked() != chosen->at(i)) {
            items[i]->setChecked(chosen->at(i));
            ViewItemClick(items[i]);
        }
    }
}

void TForm3::ReadExtraSettings(const TIniPlus &ini)
{
    for (int c = 0; c < kColumns; ++c)
        m_titles[c] = ini.ReadString(kColumnsSection, QString::number(c), QString());
    for (int c = kFirstOptional; c < kColumns; ++c) {
        auto *item = mnView->addAction(m_titles[c]);
        item->setCheckable(true);
        item->setChecked(ini.ReadBool(kViewSection, QString::number(c), true));
        if (!item->isChecked())
            MainGrid->SetColWidths(c, -1);
        connect(item, &QAction::triggered, this, [this, item] { ViewItemClick(item); });
    }
}

void TForm3::WriteExtraSettings(TIniPlus &ini)
{
    m_placement->writeSettings(ini);
    // Only the items that exist: without a settings file at start the menu is empty.
    const auto items = mnView->actions();
    for (int i = 0; i < items.size(); ++i)
        ini.WriteBool(kViewSection, QString::number(i + kFirstOptional), items[i]->isChecked());
}

void TForm3::ViewItemClick(QAction *item)
{
    // The menu has already inverted the check mark of a checkable item.
    const int c = static_cast<int>(mnView->actions().indexOf(item)) + kFirstOptional;
    MainGrid->SetColWidths(c, item->isChecked() ? MainGrid->DefaultColWidth() : -1);
    FormResize(); // the width rule, and the widths the operator gave by hand
}

void TForm3::SetTitles()
{
    for (int c = 0; c < kColumns; ++c)
        MainGrid->SetCells(c, 0, m_titles[c]);
}

void TForm3::ApplyWidthRule()
{
    // Reception's quantity column takes a share too, at the default width.
    int visible = reception() ? 1 : 0;
    for (int c = 0; c < kColumns; ++c)
        visible += MainGrid->ColWidths(c) > 0 ? 1 : 0;
    if (visible == 0)
        return;
    const int a = (MainGrid->GridClientWidth() - 2) / visible;
    // A tiny window must not turn the first columns into hidden ones.
    MainGrid->SetColWidths(TableShape::NumberCol, std::max(1, a / 2));
    MainGrid->SetColWidths(TableShape::LabelCol, std::max(1, a + a / 2 - 10));
    for (int c = TableShape::DateCol; c < kColumns; ++c) {
        if (MainGrid->ColWidths(c) > 0)
            MainGrid->SetColWidths(c, std::max(1, a));
    }
    if (reception())
        MainGrid->SetColWidths(reception()->quantityCol(), std::max(1, a));
}

std::vector<TPrintColumn> TForm3::PrintColumns(int pageWidth) const
{
    std::vector<int> widths(kColumns);
    for (int c = 0; c < kColumns; ++c)
        widths[c] = MainGrid->ColWidths(c);
    return MirelPrintColumns(pageWidth, widths);
}
