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
#include "pollers/RequestCode.h"
#include "pollers/ResultPacing.h"
#include "pollers/TOpPoller.h"
#include "results/LocaleFormats.h"
#include "results/TResultsFile.h"
#include "settings/ProgramFolders.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/NewFileName.h"
#include "windows/TArchiveLink.h"
#include "windows/TColumnWidths.h"
#include "windows/TConfigSettings.h"
#include "windows/TJournalKeeper.h"
#include "windows/WindowDialogs.h"

namespace {

// The hourglass for the time of a file operation.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

QString TRegistrationWindow::ProgramDir()
{
    return ProgramFolders::programDir();
}

void TRegistrationWindow::SetProgramDir(const QString &dir)
{
    ProgramFolders::setProgramDir(dir);
}

TRegistrationWindow::TRegistrationWindow(const QString &objectName, int wantedWidth, QWidget *parent)
    : QMainWindow(parent)
    , m_keeper(std::make_unique<TJournalKeeper>(this))
{
    setObjectName(objectName);
    m_keeper->LineOf = [this](int row) { return MainGrid->Rows().Line(TableShape::storeRow(row)); };
    m_keeper->Tell = [this](const QString &text) {
        MessageBox(QMessageBox::Warning, Str::JournalCaption, text, QMessageBox::Ok);
    };
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
    const std::pair<QAction *, void (TRegistrationWindow::*)()> handlers[]
        = {{actNew, &TRegistrationWindow::actNewExecute},
           {actOpenFile, &TRegistrationWindow::actOpenFileExecute},
           {actSave, &TRegistrationWindow::actSaveExecute},
           {actSaveAs, &TRegistrationWindow::actSaveAsExecute},
           {actPrint, &TRegistrationWindow::actPrintExecute},
           {actOpr, &TRegistrationWindow::actOprExecute},
           {mnAbout, &TRegistrationWindow::mnAboutClick}};
    for (const auto &[action, handler] : handlers)
        connect(action, &QAction::triggered, this, handler);
    m_archiveLink = new TArchiveLink(this);
}

void TRegistrationWindow::setModelName(const QString &name)
{
    m_archiveLink->setModelName(name);
    emit modelNameChanged(name);
}

TRegistrationWindow::~TRegistrationWindow()
{
    // QWidget's destructor hides a shown window and then deletes the grid: an editor still
    // open would hand its text to a window that is no longer whole. What was typed goes to
    // the journal now, and the grid reports to nobody after this.
    if (MainGrid->EditorOpen())
        MainGrid->CommitEditor();
    MainGrid->OnSelectCell = nullptr;
    MainGrid->OnGetEditText = nullptr;
    MainGrid->OnSetEditText = nullptr;
    MainGrid->OnGetCellColor = nullptr;
    MainGrid->DiscardEditor();
    if (m_modalLoop)
        m_modalLoop->quit();
}

void TRegistrationWindow::FormCreate(TOpPoller *poller, int colCount, const QString &iniName,
                                     std::unique_ptr<TResultDecoder> decoder)
{
    m_poller = poller;
    m_exchange = std::make_unique<TResultExchange>(std::move(decoder));
    MainGrid->SetColCount(colCount);
    MainGrid->SetRowCount(2);
    MainGrid->OnSelectCell = [this](int c, int r, bool &can) { MainGridSelectCell(c, r, can); };
    MainGrid->OnGetEditText = [this](int c, int r, QString &v) { MainGridGetEditText(c, r, v); };
    MainGrid->OnSetEditText = [this](int, int r, const QString &v) {
        // A label typed anew is the operator's own, "?" and all.
        std::erase_if(m_unheld, [r](const TUnheldRow &u) { return u.gridRow == r; });
        if (!m_archiveLink->editDone(r, v))
            JournalRow(r);
    };

    TConfigSettings config{poller->Port, Str::NewFileBase + Str::TxtExt};
    m_fileName = config.fileName;
    // Beside the program, or in the user's folders when the program's folder is not writable.
    m_iniPath = ProgramFolders::settingsPath(iniName);
    m_journalPath = ProgramFolders::statePath(QFileInfo(iniName).completeBaseName()
                                              + QStringLiteral(".journal"));
    if (QFileInfo::exists(m_iniPath)) {
        TIniPlus ini(m_iniPath);
        m_deferredError = ini.tooLarge() ? Str::SettingsTooLarge.arg(m_iniPath).arg(1) : QString();
        config.read(ini);
        poller->Port = config.port;
        NumberEdit1->SetValue(config.deviceNumber);
        ReadExtraSettings(ini);
    }
    qualityPanel->readSettings(m_iniPath);
    m_columnWidths = new TColumnWidths(MainGrid, m_iniPath);
    m_changed.setOnTurn([this] { SetCaption(); });
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
        const QString error = std::exchange(m_deferredError, QString()).trimmed();
        MessageBox(QMessageBox::Critical, Str::ErrorCaption, error, QMessageBox::Ok);
    }
    m_archiveLink->start(TArchive::defaultFolder(ProgramDir()));
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
    else if (watched == MainGrid->verticalScrollBar()
             && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TRegistrationWindow::FormResize()
{
    // Until FormCreate the derived window, whose rule this is, is not made yet.
    if (m_poller) {
        ApplyWidthRule();
        if (m_columnWidths)
            m_columnWidths->apply();
    }
}

void TRegistrationWindow::SetCaption()
{
    // The unsaved mark is Qt's: "[*]" shows as "*" while the window is modified, before the
    // file's name as editors mark it. Without unsaved changes the caption holds no
    // placeholder at all, and the caption still ends in the name for those who look for it.
    const QString mark = m_changed ? QStringLiteral("[*]") : QString();
    setWindowTitle(Str::WindowCaption + QLatin1Char('(') + mark + m_fileName + QLatin1Char(')'));
    setWindowModified(m_changed);
}

void TRegistrationWindow::releaseTable()
{
    MainGrid->SetRows(TRowStore(MainGrid->ColCount()));
    MainGrid->endWithOpenRow();
}

void TRegistrationWindow::ClearTable()
{
    // A table being replaced takes nothing from an editor opened on the old one.
    MainGrid->DiscardEditor();
    m_archiveLink->tableReplaced();
    m_unheld.clear();
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
            const std::vector<int> cleaned = CellText::dropControls(rows);
            m_unheld.clear();
            noteCleanedRows(cleaned);
            MainGrid->DiscardEditor();
            m_fileName = path;
            MainGrid->SetRows(std::move(rows));
            SetCaption();
            m_changed = false;
            JournalBase(true);
            m_archiveLink->tableReplaced();
            m_archiveLink->fileEvent(TArchiveFileEvent::Open);
        }
    }
    if (!ok && m_creating)
        m_deferredError += error; // after a note on the settings file, if there is one
    else if (!ok)                 // the text names the file and the reason
        MessageBox(QMessageBox::Critical, Str::ErrorCaption, error, QMessageBox::Ok);
    return ok;
}

bool TRegistrationWindow::SaveFile(const QString &path)
{
    MainGrid->CommitEditor();
    if (!agreeToSaveOver(path) || !agreeToUnheld())
        return false;
    QString error;
    bool ok;
    {
        WaitCursor wait;
        ok = TResultsFile::Save(path, MainGrid->Rows(), &error);
        if (ok) {
            const bool as = path != m_fileName;
            m_fileName = path;
            SetCaption();
            m_changed = false;
            m_lateRows.clear(); // what came during a question is in the file now
            m_unheld.clear();   // the operator agreed to their "?"
            JournalBase(true);
            m_archiveLink->fileEvent(as ? TArchiveFileEvent::SaveAs : TArchiveFileEvent::Save);
        }
    }
    if (!ok) // the text names the file and the reason
        MessageBox(QMessageBox::Critical, Str::ErrorCaption, error, QMessageBox::Ok);
    return ok;
}

void TRegistrationWindow::actNewExecute()
{
    m_lateRows.clear();
    bool cancelled = false;
    if (!AskToSave(QMessageBox::Yes | QMessageBox::No, &cancelled))
        return;
    const std::vector<QByteArray> late = takeLateLines();
    ClearTable();
    m_fileName = NextNewFileName(m_fileName);
    SetCaption();
    if (late.empty())
        JournalBase(false);
    else
        carryLines(false, late);
    m_archiveLink->fileEvent(TArchiveFileEvent::New);
}

void TRegistrationWindow::actOpenFileExecute()
{
    // Opening replaces the table: unsaved results are offered for saving first.
    m_lateRows.clear();
    bool cancelled = false;
    if (!AskToSave(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &cancelled))
        return;
    QString name;
    {
        ++m_asking;
        name = agreeToOpen(AskOpenFileName(m_fileName));
        --m_asking;
    }
    const std::vector<QByteArray> late = takeLateLines();
    if (name.isEmpty())
        return;
    // Lines to carry keep the journal as it is until they are in the opened table.
    m_replaying = !late.empty();
    const bool loaded = LoadFile(name);
    m_replaying = false;
    if (loaded && !late.empty())
        carryLines(true, late);
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

void TRegistrationWindow::actOprExecute()
{
    if (m_poller->Active()) {
        m_poller->Stop();
    } else {
        MainGrid->setFocus();
        m_poller->Start();
    }
}

void TRegistrationWindow::MainGridSelectCell(int col, int, bool &)
{
    MainGrid->SetEditing(col == TableShape::LabelCol);
}

void TRegistrationWindow::MainGridGetEditText(int, int row, QString &value)
{
    m_archiveLink->editStarted(row, value);
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

QDateTime TRegistrationWindow::LastResult() const
{
    return m_exchange ? m_exchange->lastResult() : QDateTime();
}

void TRegistrationWindow::PollerGetNumber()
{
    m_poller->DeviceNumber = static_cast<uint16_t>(qRound(NumberEdit1->Value()));
    // While a question about the table is open no result is asked for: its answer may
    // replace the table.
    m_poller->Command = m_exchange->getNumber(m_poller->Command, m_asking > 0, Now());
}

void TRegistrationWindow::PollerPutResult()
{
    const TResultExchange::Step step = m_exchange->putResult(m_poller->Command,
                                                             m_poller->ResultData, Now());
    if (step.rejected)
        emit resultRejected(step.rejectedStatus);
    m_poller->Command = step.command;
    if (step.row)
        AddResultRow(step.at, *step.row);
}

void TRegistrationWindow::AddResultRow(const QDateTime &now, const TDecodedResult &result)
{
    QScrollBar *bar = MainGrid->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    const int row = MainGrid->RowCount() - 1;
    MainGrid->SetCells(TableShape::DateCol, row, FormatShortDate(now.date()));
    MainGrid->SetCells(TableShape::TimeCol, row, FormatLongTime(now.time()));
    for (const auto &[col, text] : result.cells)
        MainGrid->SetCells(col, row, text);
    m_archiveLink->resultRow(row, now, result.group, result.values);
    if (m_asking > 0)
        m_lateRows.push_back(row);
    MainGrid->endWithOpenRow();
    // An unsaved result is unsaved data: the save prompts must guard it.
    m_changed = true;
    if (atBottom)
        MainGrid->scrollToBottom();
}

void TRegistrationWindow::closeEvent(QCloseEvent *event)
{
    // A result that came while the question was open was not in the table it asked about:
    // "No" does not let it go, the question is asked again.
    QString text; // the usual question first
    for (;;) {
        m_lateRows.clear();
        bool cancelled = false;
        const auto buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        if (!AskToSave(buttons, &cancelled, text)) {
            event->ignore();
            return;
        }
        if (m_lateRows.empty() || !m_changed)
            break;
        text = Str::AskSaveLateResults.arg(m_lateRows.size());
    }
    m_poller->Stop();
    MainGrid->setFocus();
    // The prompt was answered: what was not saved was let go on purpose. The archive first:
    // what it has not taken stays in the journal.
    m_archiveLink->finish();
    m_keeper->finish();
    {
        TIniPlus ini(m_iniPath);
        TConfigSettings{m_poller->Port, m_fileName, qRound(NumberEdit1->Value())}.write(ini);
        WriteExtraSettings(ini);
        qualityPanel->writeSettings(ini);
        m_columnWidths->writeSettings(ini);
    }
    while (m_poller->Active())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    event->accept();
    if (m_modalLoop)
        m_modalLoop->quit();
}
