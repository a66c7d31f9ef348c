#include "windows/TRegistrationWindow.h"

#include <set>
#include <utility>

#include <QAbstractItemDelegate>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>

#include "text/Strings.h"
#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "controls/TToolImages.h"
#include "controls/TfrmBAbout.h"
#include "pollers/TOpPoller.h"
#include "controls/PortMenu.h"
#include "settings/TIniPlus.h"
#include "windows/TQtPrinterPage.h"
#include "results/TResultsFile.h"

namespace {

QString s_programDir;

const QString kConfig = QStringLiteral("Config");

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

TRegistrationWindow::TRegistrationWindow(const QString &objectName, QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(objectName);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11); // 8 pt at 96 dpi
    setFont(f);
    // 756 x 527 at the least; wider where the screen allows, so that dates and most titles fit
    // their columns (the width rule gives each column a sixteenth of the width).
    const int unit = QFontMetrics(f).horizontalAdvance(Str::TarvoTitles[15]) + 10;
    QSize size(std::max(756, 16 * unit + 2 + 4), 527);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 80))
                   .expandedTo(QSize(756, 527));
    resize(size);

    MessageBox = [this](QMessageBox::Icon icon, const QString &caption, const QString &text,
                        QMessageBox::StandardButtons buttons) {
        QMessageBox box(icon, caption, text, buttons, this);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    auto dialog = [this](QFileDialog::AcceptMode mode, const QString &current) {
        QFileDialog d(this);
        d.setAcceptMode(mode);
        d.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
        d.setNameFilter(Str::FileFilter);
        d.setDefaultSuffix(Str::DefaultExt);
        // Overwriting without a question, as the program always did.
        d.setOption(QFileDialog::DontConfirmOverwrite);
        const QFileInfo fi(current);
        d.setDirectory(fi.absolutePath());
        d.selectFile(fi.fileName());
        return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty()
                   ? d.selectedFiles().first()
                   : QString();
    };
    AskOpenFileName = [dialog](const QString &c) { return dialog(QFileDialog::AcceptOpen, c); };
    AskSaveFileName = [dialog](const QString &c) { return dialog(QFileDialog::AcceptSave, c); };

    MainGrid = new TColorStringGrid(this);
    MainGrid->setObjectName(QStringLiteral("MainGrid"));
    setCentralWidget(MainGrid);
    MainGrid->installEventFilter(this);
    // The width rule divides the width beside the vertical scroll bar: when the bar comes or
    // goes, the columns are divided again, or they overrun the grid or leave a gap.
    MainGrid->verticalScrollBar()->installEventFilter(this);

    NumberEdit1 = new TNumberEdit(this);
    NumberEdit1->setObjectName(QStringLiteral("NumberEdit1"));
    NumberEdit1->SetKind(wordvalue);
    NumberEdit1->SetDisplayFormat(QStringLiteral("0;-0"));
    NumberEdit1->setFixedSize(77, 31);

    BuildActions();
    BuildMenus();
    BuildToolbar();

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TRegistrationWindow::~TRegistrationWindow()
{
    // The grid lives on until QWidget's destructor, which hides the window first: an editor
    // still open then commits, and its callbacks must not reach this half-destroyed window
    // (its journal is already gone).
    MainGrid->OnSelectCell = nullptr;
    MainGrid->OnGetEditText = nullptr;
    MainGrid->OnSetEditText = nullptr;
    if (m_modalLoop)
        m_modalLoop->quit();
}

void TRegistrationWindow::BuildActions()
{
    auto make = [this](const char *name, int image, const QKeySequence &key,
                       void (TRegistrationWindow::*handler)()) {
        auto *a = new QAction(this);
        a->setObjectName(QString::fromLatin1(name));
        a->setIcon(TToolImages::Icon(image));
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    actNew = make("actNew", 0, QKeySequence(Qt::CTRL | Qt::Key_N),
                  &TRegistrationWindow::actNewExecute);
    actOpenFile = make("actOpenFile", 1, QKeySequence(Qt::CTRL | Qt::Key_O),
                       &TRegistrationWindow::actOpenFileExecute);
    actSave = make("actSave", 2, QKeySequence(Qt::CTRL | Qt::Key_S),
                   &TRegistrationWindow::actSaveExecute);
    actSaveAs = make("actSaveAs", 2, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                     &TRegistrationWindow::actSaveAsExecute);
    actPrint = make("actPrint", 3, QKeySequence(Qt::CTRL | Qt::Key_P),
                    &TRegistrationWindow::actPrintExecute);
    actOpr = make("actOpr", 4, QKeySequence(Qt::Key_F5), &TRegistrationWindow::actOprExecute);
    // The shortcuts work wherever the focus is inside the window, the grid's editor included.
    for (QAction *a : {actNew, actOpenFile, actSave, actSaveAs, actPrint, actOpr}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
}

void TRegistrationWindow::BuildMenus()
{
    mnFile = menuBar()->addMenu(QString());
    mnFile->setObjectName(QStringLiteral("mnFile"));
    mnFile->addActions({actNew, actOpenFile, actSave, actSaveAs, actPrint});
    mnAbout = menuBar()->addAction(QString());
    mnAbout->setObjectName(QStringLiteral("mnAbout"));
    connect(mnAbout, &QAction::triggered, this, &TRegistrationWindow::mnAboutClick);
}

void TRegistrationWindow::BuildToolbar()
{
    ToolBar1 = addToolBar(QString());
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFixedHeight(41);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->addActions({actNew, actOpenFile, actSave, actPrint});
    ToolBar1->addSeparator();
    ToolBar1->addWidget(NumberEdit1);
    ToolBar1->addSeparator();
    MenuPort = new QMenu(this);
    MenuPort->setObjectName(QStringLiteral("MenuPort"));
    PollButton = new QToolButton(this);
    PollButton->setObjectName(QStringLiteral("PollButton"));
    PollButton->setDefaultAction(actOpr);
    PollButton->setMenu(MenuPort);
    PollButton->setPopupMode(QToolButton::MenuButtonPopup);
    PollButton->setIconSize(QSize(24, 24));
    PollButton->setMinimumHeight(31);
    ToolBar1->addWidget(PollButton);
    for (QAction *a : {actNew, actOpenFile, actSave, actPrint}) {
        if (QWidget *w = ToolBar1->widgetForAction(a))
            w->setFixedSize(33, 31);
    }
}

void TRegistrationWindow::SetCaptionsAndHints()
{
    mnFile->setTitle(Str::MenuFile);
    mnAbout->setText(Str::MenuAbout);
    const std::pair<QAction *, QString> texts[] = {
        {actNew, Str::ActNew},   {actOpenFile, Str::ActOpen},  {actSave, Str::ActSave},
        {actSaveAs, Str::ActSaveAs}, {actPrint, Str::ActPrint}};
    for (const auto &[a, text] : texts) {
        a->setText(text);
        a->setToolTip(text);
        if (QWidget *w = ToolBar1->widgetForAction(a))
            w->setAccessibleName(text);
    }
    SetPollingLook(false);
    NumberEdit1->setToolTip(Str::DeviceNumberHint);
    NumberEdit1->setAccessibleName(Str::DeviceNumberHint);
}

void TRegistrationWindow::FormCreate(TOpPoller *poller, int colCount, const QString &iniName)
{
    m_poller = poller;
    m_colCount = colCount;
    MainGrid->SetColCount(colCount);
    MainGrid->SetRowCount(2);
    MainGrid->OnSelectCell = [this](int c, int r, bool &can) { MainGridSelectCell(c, r, can); };
    MainGrid->OnGetEditText = [this](int c, int r, QString &v) { MainGridGetEditText(c, r, v); };
    MainGrid->OnSetEditText = [this](int, int r, const QString &) { JournalRow(r); };

    m_fileName = Str::NewFileBase + Str::TxtExt;
    QString lastFile = m_fileName;
    m_iniPath = ProgramDir() + iniName;
    m_journalPath =
        ProgramDir() + QFileInfo(iniName).completeBaseName() + QStringLiteral(".journal");
    if (QFileInfo::exists(m_iniPath)) {
        TIniPlus ini(m_iniPath);
        poller->Port = ini.ReadString(kConfig, QStringLiteral("COM"), poller->Port);
        lastFile = ini.ReadString(kConfig, QStringLiteral("FileName"), m_fileName);
        NumberEdit1->SetValue(ini.ReadInteger(kConfig, QStringLiteral("DeviceNumber"), 0));
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
    LoadFile(lastFile);
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
    if (m_colCount > 0)
        ApplyWidthRule();
}

void TRegistrationWindow::SetCaption()
{
    setWindowTitle(Str::WindowCaption + QLatin1Char('(') + m_fileName + QLatin1Char(')'));
}

// The label editor keeps its text to itself until it is left; shortcuts work inside it, so a
// save or a print must take that text first.
void TRegistrationWindow::CommitEdit()
{
    if (!MainGrid->EditorOpen())
        return;
    if (QWidget *editor = MainGrid->indexWidget(MainGrid->currentIndex()))
        QMetaObject::invokeMethod(MainGrid, "commitData", Qt::DirectConnection,
                                  Q_ARG(QWidget *, editor));
}

// A table being replaced takes nothing from an editor opened on the old one.
void TRegistrationWindow::DropEdit()
{
    if (!MainGrid->EditorOpen())
        return;
    if (QWidget *editor = MainGrid->indexWidget(MainGrid->currentIndex()))
        QMetaObject::invokeMethod(MainGrid, "closeEditor", Qt::DirectConnection,
                                  Q_ARG(QWidget *, editor),
                                  Q_ARG(QAbstractItemDelegate::EndEditHint,
                                        QAbstractItemDelegate::NoHint));
}

void TRegistrationWindow::ClearTable()
{
    DropEdit();
    MainGrid->SetRowCount(2);
    for (int c = 1; c < m_colCount; ++c)
        MainGrid->SetCells(c, 1, QString());
    MainGrid->SetCells(0, 1, QStringLiteral("1"));
}

bool TRegistrationWindow::LoadFile(const QString &path)
{
    TRowStore rows(m_colCount);
    QString error;
    bool ok;
    {
        WaitCursor wait;
        ok = TResultsFile::Load(path, m_colCount, rows, &error);
        // A file that cannot be read replaces nothing: taking its name would let the next
        // save write the table over it.
        if (ok) {
            DropEdit();
            m_fileName = path;
            MainGrid->SetRows(std::move(rows));
            if (MainGrid->RowCount() < 2)
                ClearTable();
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
    CommitEdit();
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
    const auto answer =
        MessageBox(QMessageBox::Question, withCancel ? Str::DataChanged : Str::Confirm,
                   Str::AskSave, buttons);
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

QString TRegistrationWindow::NextNewFileName() const
{
    const qsizetype slash = m_fileName.lastIndexOf(QLatin1Char('/'));
    const QString dir = slash >= 0 ? m_fileName.left(slash + 1) : QString();
    for (int n = 1;; ++n) {
        const QString candidate = dir + Str::NewFileBase + QString::number(n) + Str::TxtExt;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

void TRegistrationWindow::actNewExecute()
{
    bool cancelled = false;
    if (!AskToSave(QMessageBox::Yes | QMessageBox::No, &cancelled))
        return;
    ClearTable();
    m_fileName = NextNewFileName();
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
    CommitEdit();
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
    MainGrid->SetEditing(col == 1);
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

void TRegistrationWindow::SetPollingLook(bool polling)
{
    const QString &hint = polling ? Str::PollStop : Str::PollStart;
    NumberEdit1->setEnabled(!polling);
    actOpr->setIcon(TToolImages::Icon(polling ? 5 : 4));
    actOpr->setToolTip(hint);
    actOpr->setText(hint);
    PollButton->setAccessibleName(hint);
}

void TRegistrationWindow::PollerErrorOpenPort()
{
    MessageBox(QMessageBox::Critical, Str::ErrorCaption, Str::ErrorOpenPort, QMessageBox::Ok);
}

void TRegistrationWindow::PollerGetNumber()
{
    m_poller->DeviceNumber = static_cast<uint16_t>(qRound(NumberEdit1->Value()));
    const QDateTime now = Now();
    // More than two minutes since the last result, strictly. A clock set back behind the last
    // result must not hold results back until it catches up.
    if (!m_lastResult.isValid() || m_lastResult.msecsTo(now) > 2 * 60 * 1000 ||
        now < m_lastResult)
        m_poller->Command = 6;
}

void TRegistrationWindow::AddResultRow(const std::vector<std::pair<int, QString>> &cells)
{
    QScrollBar *bar = MainGrid->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    const int row = MainGrid->RowCount() - 1;
    for (const auto &[col, text] : cells)
        MainGrid->SetCells(col, row, text);
    JournalRow(row); // on the disk before it shows
    MainGrid->AppendRow();
    MainGrid->SetCells(0, row + 1, QString::number(row + 1));
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
        ini.WriteString(kConfig, QStringLiteral("COM"), m_poller->Port);
        ini.WriteString(kConfig, QStringLiteral("FileName"), m_fileName);
        ini.WriteInteger(kConfig, QStringLiteral("DeviceNumber"), qRound(NumberEdit1->Value()));
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
    if (m_replaying || !m_journal.IsOpen())
        return;
    TJournal::Record base;
    base.type = TJournal::Record::Base;
    base.fromFile = fromFile;
    base.fileName = m_fileName;
    m_journal.Reset(base);
}

void TRegistrationWindow::JournalRow(int row)
{
    if (m_replaying || !m_journal.IsOpen() || row < 1 || row >= MainGrid->RowCount())
        return;
    TJournal::Record r;
    r.type = TJournal::Record::Row;
    r.row = row;
    r.line = MainGrid->Rows().Line(row - 1);
    m_journal.Append(r);
}

void TRegistrationWindow::StartJournal()
{
    // Refused while another running copy holds it; that copy keeps its own journal.
    if (!m_journal.Open(m_journalPath))
        return;
    const std::vector<TJournal::Record> records = m_journal.ReadAll();
    std::set<int> rows;
    for (const auto &r : records) {
        if (r.type == TJournal::Record::Base)
            rows.clear();
        else
            rows.insert(r.row);
    }
    if (!rows.empty()) {
        const auto answer =
            MessageBox(QMessageBox::Question, Str::RecoveryCaption,
                       Str::RecoveryQuestion.arg(rows.size()), QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            ReplayJournal(records);
            return; // the journal goes on as it stands
        }
    }
    JournalBase(true);
}

void TRegistrationWindow::ReplayJournal(const std::vector<TJournal::Record> &records)
{
    qsizetype first = 0;
    for (qsizetype i = 0; i < qsizetype(records.size()); ++i) {
        if (records[i].type == TJournal::Record::Base)
            first = i;
    }
    m_replaying = true;
    if (!records.empty() && records[first].type == TJournal::Record::Base) {
        const auto &base = records[first];
        if (base.fromFile) {
            LoadFile(base.fileName);
        } else {
            ClearTable();
            m_fileName = base.fileName;
            SetCaption();
        }
    }
    TRowStore rows = MainGrid->Rows();
    for (qsizetype i = first; i < qsizetype(records.size()); ++i) {
        const auto &r = records[i];
        // Rows only ever grow one at a time; an index beyond that is damage, not data.
        if (r.type != TJournal::Record::Row || r.row < 1 || r.row > rows.RowCount() + 1)
            continue;
        if (r.row > rows.RowCount())
            rows.AppendRow();
        rows.SetLine(r.row - 1, r.line);
    }
    if (rows.RowCount() == 0 || !rows.CellEmpty(2, rows.RowCount() - 1)) {
        rows.AppendRow();
        rows.SetCell(0, rows.RowCount() - 1, QString::number(rows.RowCount()));
    }
    MainGrid->SetRows(std::move(rows));
    m_replaying = false;
    m_changed = true;
}
