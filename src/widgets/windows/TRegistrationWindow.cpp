#include "windows/TRegistrationWindow.h"

#include <utility>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>

#include "controls/PortMenu.h"
#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "pollers/TOpPoller.h"
#include "session/TConfigSettings.h"
#include "settings/ProgramFolders.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/ControlStatus.h"
#if REG01_CHARTS
#include "windows/ChartLinks.h"
#endif
#include "windows/TArchiveLink.h"
#include "windows/TCalibrationPart.h"
#include "windows/TColumnWidths.h"
#include "windows/TJournalKeeper.h"
#include "windows/TQualityPanel.h"
#include "windows/TReceptionPart.h"
#include "windows/TTableNotes.h"
#include "windows/TWindowStatus.h"
#include "windows/WindowDialogs.h"

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
{
    setObjectName(objectName);
    setupUi(this, wantedWidth);
    m_status = std::make_unique<TWindowStatus>(this);
    m_keeper = std::make_unique<TJournalKeeper>(m_status.get());
    m_keeper->lineOf = [this](int row) { return MainGrid->Rows().Line(TableShape::storeRow(row)); };
    m_keeper->Tell = [this](const QString &text) {
        MessageBox(QMessageBox::Warning, Str::JournalCaption, text, QMessageBox::Ok);
    };
    MessageBox = [this](QMessageBox::Icon icon, const QString &caption, const QString &text,
                        QMessageBox::StandardButtons buttons) {
        return ShowMessageBox(this, icon, caption, text, buttons, takeBoxDetails());
    };
    AskOpenFileName = [this](const QString &c) { return AskResultsFileName(this, false, c); };
    AskSaveFileName = [this](const QString &c) { return AskResultsFileName(this, true, c); };

    using Buttons = QMessageBox::StandardButtons;
    m_notes = std::make_unique<TTableNotes>(
        m_status.get(),
        [this](QMessageBox::Icon i, const QString &c, const QString &t, Buttons b) {
            return MessageBox(i, c, t, b);
        },
        [this](QMessageBox::Icon i, const QString &c, const QString &t, Buttons b) {
            return ask(i, c, t, b);
        });
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
    makeArchiveLink();
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
    MainGrid->OnGetRowHeader = nullptr;
    MainGrid->OnGetShownText = nullptr;
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
    MainGrid->OnSetEditText = [this](int c, int r, const QString &v) {
        // A quantity lives beside the table, not in its file.
        if (m_reception && m_reception->isQuantityCol(c)) {
            m_reception->rowChanged(r);
            return;
        }
        // A label typed anew is the operator's own, "?" and all.
        m_notes->rowRetyped(r);
        const QByteArray line = MainGrid->Rows().Line(TableShape::storeRow(r));
        // A replayed journal only restores what the archive already holds.
        if (m_replaying || !m_archiveLink->editDone(r, v, line))
            journalRow(r);
        if (m_control)
            m_control->labelChanged(r);
        if (m_reception)
            m_reception->rowChanged(r);
    };

    TConfigSettings config{poller->Port, Str::NewFileBase + Str::TxtExt};
    m_fileName = config.fileName;
    // Beside the program, or in the user's folders when the program's folder is not writable.
    m_settings = std::make_unique<TWindowSettings>(ProgramFolders::settingsPath(iniName));
    m_journalPath = ProgramFolders::statePath(QFileInfo(iniName).completeBaseName()
                                              + QStringLiteral(".journal"));
    if (m_settings->existed()) {
        const TIniPlus &ini = m_settings->ini();
        m_deferredError = ini.tooLarge() ? Str::SettingsTooLarge.arg(IniPath()).arg(1) : QString();
        config.read(ini);
        poller->Port = config.port;
        NumberEdit1->SetValue(config.deviceNumber);
        ReadExtraSettings(ini);
    }
    qualityPanel->readSettings(m_settings.get(), m_status.get());
    m_control = ControlStatus::fromSettings(
        m_settings->ini(), MainGrid, m_status.get(), m_archiveLink, qualityPanel->serviceMenu(),
        [this] { return Now(); }, this);
    m_calibration = TCalibrationPart::fromSettings(m_settings->ini(), MainGrid,
                                                   qualityPanel->serviceMenu(), m_archiveLink,
                                                   this);
    if (m_calibration)
        m_archiveLink->markCorrections = [this](TExportTable &t) { m_calibration->markExport(t); };
    makeReception();
#if REG01_CHARTS
    m_charts = ChartLinks::fromSettings(m_settings->ini(), this, MainGrid, qualityPanel,
                                        m_archiveLink);
#endif
    m_columnWidths = new TColumnWidths(MainGrid, m_settings->ini());
    m_changed.setOnTurn([this] { SetCaption(); });
    BuildPortMenu(MenuPort, poller->Port);
    for (QAction *a : MenuPort->actions()) {
        connect(a, &QAction::triggered, this, [this, a] { m_poller->Port = a->objectName(); });
    }
    SetCaptionsAndHints();
    SetTitles();
    clearTable();
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
    startJournal();
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

void TRegistrationWindow::clearTable()
{
    // A table being replaced takes nothing from an editor opened on the old one.
    MainGrid->DiscardEditor();
    m_archiveLink->tableReplaced();
    m_notes->clear();
    partsTableReplaced();
    const int first = TableShape::gridRow(0);
    MainGrid->SetRowCount(first + 1);
    for (int c = TableShape::LabelCol; c < MainGrid->ColCount(); ++c)
        MainGrid->SetCells(c, first, QString());
    MainGrid->endWithOpenRow();
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
    MainGrid->SetEditing(col == TableShape::LabelCol
                         || (m_reception && m_reception->isQuantityCol(col)));
}

void TRegistrationWindow::MainGridGetEditText(int col, int row, QString &value)
{
    if (m_reception && m_reception->isQuantityCol(col))
        return;
    m_archiveLink->editStarted(row, value);
    m_changed = true;
}

void TRegistrationWindow::closeEvent(QCloseEvent *event)
{
    if (!agreeToClose()) {
        event->ignore();
        return;
    }
    m_poller->Stop();
    MainGrid->setFocus();
    // The prompt was answered: what was not saved was let go on purpose. The archive first:
    // what it has not taken stays in the journal.
    m_archiveLink->finish();
    m_keeper->finish();
    m_settings->write([this](TIniPlus &ini) {
        TConfigSettings{m_poller->Port, m_fileName, qRound(NumberEdit1->Value())}.write(ini);
        WriteExtraSettings(ini);
        qualityPanel->writeSettings(ini);
        if (m_calibration)
            m_calibration->writeSettings(ini);
        m_columnWidths->writeSettings(ini);
    });
    while (m_poller->Active())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    event->accept();
    if (m_modalLoop)
        m_modalLoop->quit();
}
