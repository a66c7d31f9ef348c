#include "windows/TArchiveLink.h"

#include <algorithm>
#include <memory>
#include <utility>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

#include "archive/ArchiveViews.h"
#include "archive/HitRows.h"
#include "archive/TArchiveDialog.h"
#include "archive/TArchiveModel.h"
#include "controls/TColorStringGrid.h"
#include "controls/TElidedLabel.h"
#include "controls/TNumberEdit.h"
#include "export/ExportStrings.h"
#include "export/TExportDialog.h"
#include "export/TPrintPreview.h"
#include "export/TReportPrint.h"
#include "pollers/TOpPoller.h"
#include "quality/TCellNumber.h"
#include "quality/TLimitColors.h"
#include "server/ServerConfig.h"
#include "server/TServerSearch.h"
#include "settings/TIniPlus.h"
#include "table/TRowStore.h"
#include "table/TStringGridModel.h"
#include "table/TableShape.h"
#include "text/RecordStrings.h"
#include "text/Strings.h"
#include "windows/NewFileName.h"
#include "windows/TJournalKeeper.h"
#include "windows/TQualityPanel.h"
#include "windows/TRegistrationWindow.h"
#include "windows/TServerView.h"
#include "windows/WindowProtocol.h"

TArchiveLink::TArchiveLink(TRegistrationWindow *window)
    : QObject(window)
    , m_window(window)
{
    setObjectName(QStringLiteral("ArchiveLink"));
    AskExportFileName = [this](const QString &current, TExportFormat *format) {
        return TExportDialog::ask(m_window, current, format);
    };
    auto make = [window](const char *name, const QString &text, const QKeySequence &key) {
        auto *a = new QAction(text, window);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
        return a;
    };
    actExport = make("actExport", Str::ActExport, {});
    actPrintPreview = make("actPrintPreview", Str::ActPrintPreview, {});
    actPrintReport = make("actPrintReport", Str::ActPrintReport, {});
    actArchive = make("actArchive", Str::ArchiveMenu, QKeySequence(Qt::CTRL | Qt::Key_F));
    // Below the items the File menu always had, so that none of those moves.
    window->mnFile->addSeparator();
    window->mnFile->addActions({actExport, actPrintPreview, actPrintReport});
    window->mnFile->addSeparator();
    window->mnFile->addAction(actArchive);
    connect(actArchive, &QAction::triggered, this, &TArchiveLink::actArchiveExecute);
    connect(actExport, &QAction::triggered, this, &TArchiveLink::actExportExecute);
    connect(actPrintPreview, &QAction::triggered, this, &TArchiveLink::actPrintPreviewExecute);
    connect(actPrintReport, &QAction::triggered, this, &TArchiveLink::actPrintReportExecute);
    connect(&m_archive, &TArchive::stateChanged, this, &TArchiveLink::showState);
    // The journal is the archive's queue: written first, emptied only once the archive has
    // what it holds.
    m_records.WriteJournal = [window](const TRecordKeeper::Records &archived, int row,
                                      const QByteArray &line) {
        return window->JournalWrite(archived, row, line);
    };
    m_records.ReadJournal = [window] { return window->m_keeper->records(); };
    window->m_keeper->MayEmpty = [this] { return m_records.settled(); };
}

TArchiveLink::~TArchiveLink() = default;

void TArchiveLink::start(const QString &folder)
{
    if (!m_status) {
        m_status = new TElidedLabel(m_window);
        m_status->setObjectName(QStringLiteral("ArchiveStatus"));
        m_window->statusBar()->addPermanentWidget(m_status);
    }
    const QString ini = m_window->IniPath();
    const QString station = ServerConfig::stationFromSettings(TIniPlus(ini));
    if (!station.isEmpty())
        m_archive.setStation(station);
    m_archive.open(folder);
    nameViews();
    if (!m_server) {
        m_server = TServerView::fromSettings(m_window, ini, m_archive.path(), this);
    }
    showState();
}

// The archive's views take their column names from this window's titles.
void TArchiveLink::nameViews()
{
    if (m_archive.state() != ArchiveState::Ok)
        return;
    ArchiveViews::ensureAt(m_archive.path(), m_modelName == Str::ModelTarvo
                                                 ? ArchiveViews::tarvo()
                                                 : ArchiveViews::mirel(valueTitles()));
}

void TArchiveLink::finish()
{
    delete std::exchange(m_server, nullptr);
    if (m_archive.state() == ArchiveState::Closed && m_archive.pendingCount() == 0) {
        m_records.finish();
        return;
    }
    m_records.finish();
    const int left = m_archive.leftInJournal();
    QString text;
    if (m_archive.lostCount() > 0 || m_archive.rebuilt())
        text = m_archive.statusText();
    if (left > 0)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n"))
                + Str::ArchiveLeftInJournal.arg(left);
    if (!text.isEmpty())
        m_window->MessageBox(QMessageBox::Warning, Str::ArchiveCaption, text, QMessageBox::Ok);
}

void TArchiveLink::showState()
{
    if (!m_status)
        return;
    const bool trouble = m_archive.state() != ArchiveState::Ok || m_archive.pendingCount() > 0
                         || m_archive.lostCount() > 0 || m_archive.rebuilt()
                         || m_archive.tampered();
    m_status->setFullText(m_archive.statusText(), m_archive.errorText());
    // An archive made anew gets its views again.
    if (m_archive.rebuilt() && !m_viewsRemade && m_archive.state() == ArchiveState::Ok) {
        m_viewsRemade = true;
        nameViews();
    }
    // A working archive keeps quiet; only its trouble is worth the operator's eye.
    m_status->setStyleSheet(trouble ? QStringLiteral("color: #b00000;") : QString());
}

void TArchiveLink::handedOver()
{
    showState();
    if (m_server)
        m_server->nudge();
}

void TArchiveLink::resultRow(int row, const QDateTime &at, int group,
                             const std::vector<std::optional<double>> &values)
{
    const TColorStringGrid *grid = m_window->MainGrid;
    TArchiveResult r;
    r.model = m_modelName;
    r.port = m_window->m_poller->Port;
    r.deviceNumber = qRound(m_window->NumberEdit1->Value());
    r.at = at;
    r.dateText = grid->Cells(TableShape::DateCol, row);
    r.timeText = grid->Cells(TableShape::TimeCol, row);
    r.group = group;
    r.values = values;
    r.label = grid->Cells(TableShape::LabelCol, row);
    for (int c = TableShape::LabelCol; c < grid->ColCount(); ++c)
        r.cells << grid->Cells(c, row);
    // Judged as the screen colours them; the archive's views tell it.
    m_window->qualityPanel->limits().judgeRow(r.cells.mid(TableShape::FirstValueCol
                                                          - TableShape::LabelCol),
                                              TableShape::FirstValueCol, TCellNumber(),
                                              &r.limitsChecked, &r.limitsOutside);
    // Byte 0 of the result buffer is the reply's kind, not a byte the instrument sent.
    const TOpPoller *poller = m_window->m_poller;
    const std::size_t room = poller->ResultData.empty() ? 0 : poller->ResultData.size() - 1;
    const std::size_t length = std::min(poller->ResultLength, room);
    if (length > 0)
        r.raw = QByteArray(reinterpret_cast<const char *>(poller->ResultData.data()) + 1,
                           qsizetype(length));
    m_records.result(std::move(r), row, grid->Rows().Line(TableShape::storeRow(row)));
    handedOver();
}

void TArchiveLink::editStarted(int row, const QString &text)
{
    m_editRow = row;
    m_editText = text;
}

bool TArchiveLink::editDone(int row, const QString &text)
{
    if (row != m_editRow || text == m_editText || m_archive.state() == ArchiveState::Closed
        || m_window->m_replaying || row < 1 || row >= m_window->MainGrid->RowCount())
        return false;
    TArchiveLabelChange change;
    change.row = row;
    change.oldText = m_editText;
    change.newText = text;
    change.at = m_window->Now();
    change.fileName = m_window->m_fileName;
    m_records.labelChange(std::move(change), row,
                          m_window->MainGrid->Rows().Line(TableShape::storeRow(row)), rowKey(row));
    m_editText = text;
    handedOver();
    return true;
}

TArchiveRowKey TArchiveLink::rowKey(int row) const
{
    const TColorStringGrid *grid = m_window->MainGrid;
    TArchiveRowKey key;
    key.model = m_modelName;
    key.dateText = grid->Cells(TableShape::DateCol, row);
    key.timeText = grid->Cells(TableShape::TimeCol, row);
    for (int c = TableShape::LabelCol + 1; c < grid->ColCount(); ++c)
        key.cells << grid->Cells(c, row);
    return key;
}

void TArchiveLink::fileEvent(TArchiveFileEvent::Kind kind)
{
    // A replayed journal only restores what the archive already holds.
    if (m_archive.state() == ArchiveState::Closed || m_window->m_replaying)
        return;
    TArchiveFileEvent event;
    event.kind = kind;
    event.fileName = m_window->m_fileName;
    // The table ends in the open row, which holds no result.
    event.rowCount = std::max(0, m_window->MainGrid->GridModel()->DataRowCount() - 1);
    event.at = m_window->Now();
    m_records.fileEvent(std::move(event));
    handedOver();
}

QStringList TArchiveLink::valueTitles() const
{
    QStringList titles;
    const TColorStringGrid *grid = m_window->MainGrid;
    for (int c = TableShape::FirstValueCol; c < grid->ColCount(); ++c)
        titles << grid->Cells(c, 0);
    return titles;
}

void TArchiveLink::actArchiveExecute()
{
    TArchiveDialog dialog(&m_archive, m_window);
    dialog.setValueTitles(valueTitles());
    // Its ending never waits on the server, also not in the middle of a search.
    std::unique_ptr<TServerSearch> server;
    if (m_server) {
        server = std::make_unique<TServerSearch>(m_server->conninfo());
        dialog.setServerSearch(server.get());
    }
    connect(&dialog, &TArchiveDialog::openAsTableRequested, this, [this, &dialog](auto &hits) {
        dialog.accept();
        openHits(hits);
    });
    connect(&dialog, &TArchiveDialog::exportRequested, this, &TArchiveLink::exportHits);
    dialog.exec();
}

void TArchiveLink::openHits(const std::vector<TArchiveHit> &hits)
{
    // A new table, as "Новый" makes one: unsaved results are offered for saving first.
    TRegistrationWindow *w = m_window;
    bool cancelled = false;
    if (!w->AskToSave(QMessageBox::Yes | QMessageBox::No, &cancelled))
        return;
    // The label typed for the sample about to be measured stays its label.
    const QString waiting = w->MainGrid->Cells(TableShape::LabelCol, w->MainGrid->RowCount() - 1);
    THitRows made = HitRows::table(hits, w->MainGrid->ColCount());
    w->ClearTable();
    w->MainGrid->SetRows(std::move(made.rows));
    const int open = w->MainGrid->RowCount() - 1;
    // A hit without a date and time ends the table as its open row: its label stays.
    if (w->MainGrid->Cells(TableShape::LabelCol, open).isEmpty())
        w->MainGrid->SetCells(TableShape::LabelCol, open, waiting);
    // Each row holds its archived result: a label typed on it is that result's.
    const std::vector<QUuid> handles = m_archive.resultHandles(hits);
    for (size_t k = 0; k < handles.size(); ++k)
        m_records.linkRow(open - int(k) - 1, handles[k]);
    w->m_fileName = NextNewFileName(w->m_fileName);
    w->SetCaption();
    w->JournalBase(false);
    for (int r = 1; r < open + (waiting.isEmpty() ? 0 : 1); ++r)
        w->JournalRow(r);
    w->m_changed = !hits.empty();
    fileEvent(TArchiveFileEvent::New);
    w->tellRowsTaken(made.cleanedRows, made.unheld);
}

bool TArchiveLink::exportTable(const TExportTable &table)
{
    TExportFormat format{};
    const QString path = AskExportFileName(m_window->m_fileName, &format);
    if (path.isEmpty())
        return false;
    QString error;
    if (TExportDialog::write(format, table, path, m_window->MainGrid->font(), &error))
        return true;
    m_window->MessageBox(QMessageBox::Critical, Str::ExportCaption, error, QMessageBox::Ok);
    return false;
}

void TArchiveLink::exportHits(const std::vector<TArchiveHit> &hits)
{
    TArchiveModel model;
    model.setValueTitles(valueTitles());
    model.setHits(hits);
    TExportTable t = model.exportTable(); // the values from their numbers
    t.name = Str::ArchiveCaption;
    exportTable(t);
}

TExportTable TArchiveLink::gridTable() const
{
    TColorStringGrid *grid = m_window->MainGrid;
    grid->CommitEditor();
    std::vector<int> widths;
    for (int c = 0; c < grid->ColCount(); ++c)
        widths.push_back(grid->ColWidths(c));
    TExportTable t = ExportTableOf(*grid->GridModel(), widths);
    m_window->qualityPanel->colours()->markExport(t); // out-of-norm values as on screen
    t.name = QFileInfo(m_window->m_fileName).fileName();
    return t;
}

void TArchiveLink::actExportExecute()
{
    exportTable(withProtocol(gridTable(), *m_window));
}

void TArchiveLink::actPrintPreviewExecute()
{
    const TExportTable t = withProtocol(gridTable(), *m_window);
    TPrintPreview preview([&t, font = m_window->MainGrid->font()](QPrinter &printer) {
        return TReportPrint::paint(printer, t, font) ? QString() : Str::PrintFailed;
    });
    preview.exec(m_window);
}

void TArchiveLink::actPrintReportExecute()
{
    const TExportTable t = withProtocol(gridTable(), *m_window);
    QString error;
    if (!TReportPrint::exec(m_window, t, m_window->MainGrid->font(), &error) && !error.isEmpty())
        m_window->MessageBox(QMessageBox::Warning, Str::ErrorCaption, error, QMessageBox::Ok);
}
