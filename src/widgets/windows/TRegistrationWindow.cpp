#include "windows/TRegistrationWindow.h"

#include <utility>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>

#include "controls/PortMenu.h"
#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "controls/TfrmBAbout.h"
#include "pollers/RequestCode.h"
#include "pollers/ResultPacing.h"
#include "pollers/TOpPoller.h"
#include "results/JournalReplay.h"
#include "results/LocaleFormats.h"
#include "results/TResultsFile.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/NewFileName.h"
#include "windows/TConfigSettings.h"
#include "windows/TQtPrinterPage.h"
#include "windows/WindowDialogs.h"

namespace {

QString s_programDir;

// The hourglass for the time of a file operation.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

QString TRegistrationWindow::ProgramDir()
{
    if (s_programDir.isEmpty())
        return QCoreApplication::applicationDirPath() + QLatin1Char('/');
    return s_programDir;
}

void TRegistrationWindow::SetProgramDir(const QString &dir)
{
    s_programDir = dir.isEmpty() || dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

TRegistrationWindow::TRegistrationWindow(const QString &objectName, int wantedWidth,
                                         QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(objectName);
    MessageBox = [this](QMessageBox::Icon icon, const QString &caption, const QString &text,
                        QMessageBox::StandardButtons buttons) {
        return ShowMessageBox(this, icon, caption, text, buttons, takeBoxDetails());
    };
    AskOpenFileName = [this](const QString &c) { return AskResultsFileName(this, false, c); };
    AskSaveFileName = [this](const QString &c) { return AskResultsFileName(this, true, c); };

    setupUi(this, wantedWidth);
    MainGrid->installEventFilter(this);
    // The width rule divides the width beside the vertical scroll bar: when the bar comes or
    // goes, the columns are divided again, or they overrun the grid or leave a gap.
    MainGrid->verticalScrollBar()->installEventFilter(this);
    const std::pair<QAction *, void (TRegistrationWindow::*)()> handlers[] = {
        {actNew, &TRegistrationWindow::actNewExecute},
        {actOpenFile, &TRegistrationWindow::actOpenFileExecute},
        {actSave, &TRegistrationWindow::actSaveExecute},
        {actSaveAs, &TRegistrationWindow::actSaveAsExecute},
        {actPrint, &TRegistrationWindow::actPrintExecute},
        {actOpr, &TRegistrationWindow::actOprExecute},
        {mnAbout, &TRegistrationWindow::mnAboutClick}};
    for (const auto &[action, handler] : handlers)
        connect(action, &QAction::triggered, this, handler);
}

TRegistrationWindow::~TRegistrationWindow()
{
    if (m_modalLoop)
        m_modalLoop->quit();
}

void TRegistrationWindow::FormCreate(TOpPoller *poller, int colCount, const QString &iniName)
{
    m_poller = poller;
    MainGrid->SetColCount(colCount);
    MainGrid->SetRowCount(2);
    MainGrid->OnSelectCell = [this](int c, int r, bool &can) { MainGridSelectCell(c, r, can); };
    MainGrid->OnGetEditText = [this](int c, int r, QString &v) { MainGridGetEditText(c, r, v); };
    MainGrid->OnSetEditText = [this](int, int r, const QString &) { JournalRow(r); };

    TConfigSettings config{poller->Port, Str::NewFileBase + Str::TxtExt};
    m_fileName = config.fileName;
    m_iniPath = ProgramDir() + iniName;
    m_journalPath =
        ProgramDir() + QFileInfo(iniName).completeBaseName() + QStringLiteral(".journal");
    if (QFileInfo::exists(m_iniPath)) {
        TIniPlus ini(m_iniPath);
        config.read(ini);
        poller->Port = config.port;
        NumberEdit1->SetValue(config.deviceNumber);
        ReadExtraSettings(ini);
    }
    BuildPortMenu(MenuPort, poller->Port);
    for (QAction *a : MenuPort->actions()) {
        connect(a, &QAction::triggered, this, [this, a] { m_poller->Port = a->objectName(); });
    }
    SetCaptionsAndHints();
    SetTitles();
    ClearTable();
    SetCaption();
    // The last file, when it cannot be read, is left alone: the table starts under the
    // default name. Its error waits until the window is shown: the never-shown start-up
    // instances must not put up boxes of their own.
    m_creating = true;
    LoadFile(config.fileName);
    m_creating = false;
}

void TRegistrationWindow::ShowModal()
{
    setWindowModality(Qt::ApplicationModal);
    show();
    if (!m_deferredError.isEmpty()) {
        const QString error = std::exchange(m_deferredError, QString());
        MessageBox(QMessageBox::Critical, Str::ErrorCaption, error, QMessageBox::Ok);
    }
    StartJournal();
    QEventLoop loop;
    m_modalLoop = &loop;
    // The window may be destroyed while it is shown (its owner going away): then it is gone
    // when the loop returns and must not be touched.
    const QPointer<TRegistrationWindow> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (self)
        m_modalLoop = nullptr;
}

bool TRegistrationWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == MainGrid && event->type() == QEvent::Resize)
        FormResize();
    else if (watched == MainGrid->verticalScrollBar() &&
             (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TRegistrationWindow::FormResize()
{
    // Until FormCreate the derived window, whose rule this is, is not made yet.
    if (m_poller)
        ApplyWidthRule();
}

void TRegistrationWindow::SetCaption()
{
    setWindowTitle(Str::WindowCaption + QLatin1Char('(') + m_fileName + QLatin1Char(')'));
}

void TRegistrationWindow::ClearTable()
{
    // A table being replaced takes nothing from an editor opened on the old one.
    MainGrid->DiscardEditor();
    const int first = TableShape::gridRow(0);
    MainGrid->SetRowCount(first + 1);
    for (int c = TableShape::LabelCol; c < MainGrid->ColCount(); ++c)
        MainGrid->SetCells(c, first, QString());
    MainGrid->endWithOpenRow();
}

bool TRegistrationWindow::LoadFile(const QString &path)
{
    TRowStore rows(MainGrid->ColCount());
    QString error;
    bool ok;
    {
        WaitCursor wait;
        ok = TResultsFile::Load(path, MainGrid->ColCount(), rows, &error);
        // A file that cannot be read replaces nothing: taking its name would let the next
        // save write the table over it.
        if (ok) {
            MainGrid->DiscardEditor();
            m_fileName = path;
            MainGrid->SetRows(std::move(rows));
            SetCaption();
            m_changed = false;
            JournalBase(true);
        }
    }
    if (!ok && m_creating)
        m_deferredError = error;
    else if (!ok) // the text names the file and the reason
        MessageBox(QMessageBox::Critical, Str::ErrorCaption, error, QMessageBox::Ok);
    return ok;
}

bool TRegistrationWindow::SaveFile(const QString &path)
{
    MainGrid->CommitEditor();
    QString error;
    bool ok;
    {
        WaitCursor wait;
        ok = TResultsFile::Save(path, MainGrid->Rows(), &error);
        if (ok) {
            m_fileName = path;
            SetCaption();
            m_changed = false;
            JournalBase(true);
        }
    }
    if (!ok) // the text names the file and the reason
        MessageBox(QMessageBox::Critical, Str::ErrorCaption, error, QMessageBox::Ok);
    return ok;
}

// Asks "Сохранить данные?" when the table has unsaved changes and saves on Yes. False when
// the operator cancelled or the save failed: the table must then stay as it is.
bool TRegistrationWindow::AskToSave(QMessageBox::StandardButtons buttons, bool *cancelled)
{
    *cancelled = false;
    if (!m_changed)
        return true;
    const bool withCancel = buttons.testFlag(QMessageBox::Cancel);
    const QString &caption = withCancel ? Str::DataChanged : Str::Confirm;
    const auto answer = MessageBox(QMessageBox::Question, caption, Str::AskSave, buttons);
    if (answer == QMessageBox::Cancel || answer == QMessageBox::NoButton) {
        *cancelled = withCancel || answer == QMessageBox::Cancel;
        return !*cancelled;
    }
    if (answer == QMessageBox::Yes && !SaveFile(m_fileName)) {
        *cancelled = true;
        return false;
    }
    return true;
}

void TRegistrationWindow::actNewExecute()
{
    bool cancelled = false;
    if (!AskToSave(QMessageBox::Yes | QMessageBox::No, &cancelled))
        return;
    ClearTable();
    m_fileName = NextNewFileName(m_fileName);
    SetCaption();
    JournalBase(false);
}

void TRegistrationWindow::actOpenFileExecute()
{
    // Opening replaces the table: unsaved results are offered for saving first.
    bool cancelled = false;
    if (!AskToSave(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &cancelled))
        return;
    const QString name = AskOpenFileName(m_fileName);
    if (!name.isEmpty())
        LoadFile(name);
}

void TRegistrationWindow::actSaveExecute()
{
    SaveFile(m_fileName);
}

void TRegistrationWindow::actSaveAsExecute()
{
    const QString name = AskSaveFileName(m_fileName);
    if (!name.isEmpty())
        SaveFile(name);
}

void TRegistrationWindow::actPrintExecute()
{
    MainGrid->CommitEditor();
    QString error;
    const TColorStringGrid *grid = MainGrid;
    const bool ok = PrintToDefaultPrinter(
        MainGrid->font(),
        [&](TPage &page) {
            PrintTable(
                page, [grid](int c, int r) { return grid->Cells(c, r); }, grid->RowCount(),
                PrintColumns(page.PageWidth()), m_fileName);
        },
        &error);
    if (!ok)
        MessageBox(QMessageBox::Warning, Str::ErrorCaption, error, QMessageBox::Ok);
}

void TRegistrationWindow::actOprExecute()
{
    if (m_poller->Active()) {
        m_poller->Stop();
    } else {
        MainGrid->setFocus();
        m_poller->Start();
    }
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

void TRegistrationWindow::MainGridSelectCell(int col, int, bool &)
{
    MainGrid->SetEditing(col == TableShape::LabelCol);
}

void TRegistrationWindow::MainGridGetEditText(int, int, QString &)
{
    m_changed = true;
}

void TRegistrationWindow::PollerStarting()
{
    SetPollingLook(true);
}

void TRegistrationWindow::PollerStoping()
{
    SetPollingLook(false);
}

void TRegistrationWindow::PollerErrorOpenPort()
{
    MessageBox(QMessageBox::Critical, Str::ErrorCaption, Str::ErrorOpenPort, QMessageBox::Ok);
}

void TRegistrationWindow::PollerGetNumber()
{
    m_poller->DeviceNumber = static_cast<uint16_t>(qRound(NumberEdit1->Value()));
    if (ResultDue(m_lastResult, Now()))
        m_poller->Command = RequestCode::Fetch;
}

void TRegistrationWindow::PollerPutResult()
{
    if (m_poller->Command == RequestCode::Confirm) {
        m_poller->Command = RequestCode::Idle;
        return;
    }
    if (m_poller->Command != RequestCode::Fetch)
        return;
    const std::optional<DecodedResult> result = decodeResult(m_poller->ResultData);
    if (!result || !result->wanted) // no row: the status bar counts it
        emit resultRejected(result ? std::optional<uint16_t>(result->status) : std::nullopt);
    if (!result && !confirmsUndecoded())
        return; // asked for again on the next poll
    // One reading of the clock gives the row its date and time and starts the two minutes: a
    // result on the stroke of midnight must not get one day's date and the next day's time.
    const QDateTime now = Now();
    m_lastResult = now;
    m_poller->Command = RequestCode::Confirm;
    if (result && result->wanted)
        AddResultRow(now, result->cells);
}

void TRegistrationWindow::AddResultRow(const QDateTime &now,
                                       const std::vector<std::pair<int, QString>> &cells)
{
    QScrollBar *bar = MainGrid->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    const int row = MainGrid->RowCount() - 1;
    MainGrid->SetCells(TableShape::DateCol, row, FormatShortDate(now.date()));
    MainGrid->SetCells(TableShape::TimeCol, row, FormatLongTime(now.time()));
    for (const auto &[col, text] : cells)
        MainGrid->SetCells(col, row, text);
    JournalRow(row); // on the disk before it shows
    MainGrid->endWithOpenRow();
    // An unsaved result is unsaved data: the save prompts must guard it.
    m_changed = true;
    if (atBottom)
        MainGrid->scrollToBottom();
}

void TRegistrationWindow::closeEvent(QCloseEvent *event)
{
    bool cancelled = false;
    if (!AskToSave(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &cancelled)) {
        event->ignore();
        return;
    }
    m_poller->Stop();
    MainGrid->setFocus();
    // The prompt was answered: what was not saved was let go on purpose.
    m_journal.Clear();
    {
        TIniPlus ini(m_iniPath);
        TConfigSettings{m_poller->Port, m_fileName, qRound(NumberEdit1->Value())}.write(ini);
        WriteExtraSettings(ini);
    }
    while (m_poller->Active())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    event->accept();
    if (m_modalLoop)
        m_modalLoop->quit();
}

void TRegistrationWindow::JournalBase(bool fromFile)
{
    if (!m_replaying)
        m_journal.startFrom(fromFile, m_fileName);
}

void TRegistrationWindow::JournalRow(int row)
{
    if (m_replaying || !m_journal.IsOpen() || row < 1 || row >= MainGrid->RowCount())
        return;
    m_journal.appendRow(row, MainGrid->Rows().Line(TableShape::storeRow(row)));
}

void TRegistrationWindow::StartJournal()
{
    // Refused while another running copy holds it; that copy keeps its own journal.
    if (!m_journal.Open(m_journalPath))
        return;
    const std::vector<TJournal::Record> records = m_journal.ReadAll();
    const int rows = JournalReplay::changedRows(records);
    if (rows > 0) {
        const QString question = Str::RecoveryQuestion.arg(rows);
        const auto answer = MessageBox(QMessageBox::Question, Str::RecoveryCaption, question,
                                       QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            ReplayJournal(records);
            return; // the journal goes on as it stands
        }
    }
    JournalBase(true);
}

void TRegistrationWindow::ReplayJournal(const std::vector<TJournal::Record> &records)
{
    m_replaying = true;
    if (const TJournal::Record *base = JournalReplay::lastBase(records)) {
        if (base->fromFile) {
            LoadFile(base->fileName);
        } else {
            ClearTable();
            m_fileName = base->fileName;
            SetCaption();
        }
    }
    MainGrid->SetRows(JournalReplay::replay(records, MainGrid->Rows()));
    m_replaying = false;
    m_changed = true;
}
