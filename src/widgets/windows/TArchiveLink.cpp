#include "windows/TArchiveLink.h"

#include <algorithm>
#include <memory>
#include <utility>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
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
#include "export/ProtocolTable.h"
#include "export/TExportDialog.h"
#include "export/TPrintPreview.h"
#include "export/TReportPrint.h"
#include "quality/TCellNumber.h"
#include "quality/TLimitColors.h"
#include "server/ServerConfig.h"
#include "server/TServerSearch.h"
#include "session/TWindowSettings.h"
#include "settings/TIniPlus.h"
#include "table/TRowStore.h"
#include "table/TStringGridModel.h"
#include "table/TableShape.h"
#include "text/RecordStrings.h"
#include "text/Strings.h"
#include "windows/NewFileName.h"
#include "windows/TQualityPanel.h"
#include "windows/TServerView.h"
#include "windows/TWindowStatus.h"

TArchiveLink::TArchiveLink(Window window, QObject *parent)
    : QObject(parent)
    , m_window(std::move(window))
{
    setObjectName(QStringLiteral("ArchiveLink"));
    AskExportFileName = [this](const QString &current, TExportFormat *format) {
        return TExportDialog::ask(m_window.main, current, format);
    };
    QMainWindow *main = m_window.main;
    auto make = [main](const char *name, const QString &text, const QKeySequence &key) {
        auto *a = new QAction(text, main);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        main->addAction(a);
        return a;
    };
    actExport = make("actExport", Str::ActExport, {});
    actPrintPreview = make("actPrintPreview", Str::ActPrintPreview, {});
    actPrintReport = make("actPrintReport", Str::ActPrintReport, {});
    actArchive = make("actArchive", Str::ArchiveMenu, QKeySequence(Qt::CTRL | Qt::Key_F));
    // Below the items the File menu always had, so that none of those moves.
    m_window.fileMenu->addSeparator();
    m_window.fileMenu->addActions({actExport, actPrintPreview, actPrintReport});
    m_window.fileMenu->addSeparator();
    m_window.fileMenu->addAction(actArchive);
    connect(actArchive, &QAction::triggered, this, &TArchiveLink::actArchiveExecute);
    connect(actExport, &QAction::triggered, this, &TArchiveLink::actExportExecute);
    connect(actPrintPreview, &QAction::triggered, this, &TArchiveLink::actPrintPreviewExecute);
    connect(actPrintReport, &QAction::triggered, this, &TArchiveLink::actPrintReportExecute);
    connect(&m_archive, &TArchive::stateChanged, this, &TArchiveLink::showState);
}

TArchiveLink::~TArchiveLink() = default;

void TArchiveLink::start(const QString &folder)
{
    if (!m_status) {
        m_status = new TElidedLabel(m_window.status->bar());
        m_status->setObjectName(QStringLiteral("ArchiveStatus"));
        m_window.status->place(m_status);
    }
    const TIniPlus &ini = m_window.settings().ini();
    const QString station = ServerConfig::stationFromSettings(ini);
    if (!station.isEmpty())
        m_archive.setStation(station);
    m_archive.open(folder);
    nameViews();
    if (!m_server) {
        m_server = TServerView::fromSettings(m_window.status, ini, m_archive.path(), this);
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
        m_window.messageBox(QMessageBox::Warning, Str::ArchiveCaption, text, QMessageBox::Ok);
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
    TWindowStatus::showTrouble(m_status, trouble);
}

void TArchiveLink::handedOver()
{
    showState();
    if (m_server)
        m_server->nudge();
}

void TArchiveLink::resultRow(int row, const QDateTime &at, const TDecodedResult &decoded,
                             const QByteArray &line, const QString &port, int deviceNumber)
{
    const int colCount = m_window.grid->ColCount();
    TArchiveResult r = TRecordKeeper::resultOf(decoded, at, line, colCount);
    r.model = m_modelName;
    r.port = port;
    r.deviceNumber = deviceNumber;
    // Judged as the screen colours them; the archive's views tell it.
    m_window.quality->limits().judgeRow(r.cells.mid(TableShape::FirstValueCol
                                                    - TableShape::LabelCol),
                                        TableShape::FirstValueCol, TCellNumber(), &r.limitsChecked,
                                        &r.limitsOutside);
    m_records.result(std::move(r), row, line);
    handedOver();
}

void TArchiveLink::editStarted(int row, const QString &text)
{
    m_editRow = row;
    m_editText = text;
}

bool TArchiveLink::editDone(int row, const QString &text, const QByteArray &line)
{
    if (row != m_editRow || text == m_editText || m_archive.state() == ArchiveState::Closed
        || row < 1 || row >= m_window.grid->RowCount())
        return false;
    TArchiveLabelChange change;
    change.row = row;
    change.oldText = m_editText;
    change.newText = text;
    change.at = m_window.now();
    change.fileName = m_window.fileName();
    m_records.labelChange(std::move(change), row, line, rowKey(row));
    m_editText = text;
    handedOver();
    return true;
}

TArchiveRowKey TArchiveLink::rowKey(int row) const
{
    const TColorStringGrid *grid = m_window.grid;
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
    if (m_archive.state() == ArchiveState::Closed)
        return;
    TArchiveFileEvent event;
    event.kind = kind;
    event.fileName = m_window.fileName();
    // The table ends in the open row, which holds no result.
    event.rowCount = std::max(0, m_window.grid->GridModel()->DataRowCount() - 1);
    event.at = m_window.now();
    m_records.fileEvent(std::move(event));
    handedOver();
}

QStringList TArchiveLink::valueTitles() const
{
    QStringList titles;
    const TColorStringGrid *grid = m_window.grid;
    for (int c = TableShape::FirstValueCol; c < grid->ColCount(); ++c)
        titles << grid->Cells(c, 0);
    return titles;
}

void TArchiveLink::actArchiveExecute()
{
    TArchiveDialog dialog(&m_archive, m_window.main);
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
    THitRows made = HitRows::table(hits, m_window.grid->ColCount());
    made.results = m_archive.resultHandles(hits);
    m_window.openTable(std::move(made), NextNewFileName(m_window.fileName()));
}

bool TArchiveLink::exportTable(const TExportTable &table)
{
    TExportFormat format{};
    const QString path = AskExportFileName(m_window.fileName(), &format);
    if (path.isEmpty())
        return false;
    QString error;
    if (TExportDialog::write(format, table, path, m_window.grid->font(), &error))
        return true;
    m_window.messageBox(QMessageBox::Critical, Str::ExportCaption, error, QMessageBox::Ok);
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
    TColorStringGrid *grid = m_window.grid;
    grid->CommitEditor();
    std::vector<int> widths;
    for (int c = 0; c < grid->ColCount(); ++c)
        widths.push_back(grid->ColWidths(c));
    TExportTable t = ExportTableOf(*grid->GridModel(), widths);
    m_window.quality->colours()->markExport(t); // out-of-norm values as on screen
    if (markExport)
        markExport(t);
    t.name = QFileInfo(m_window.fileName()).fileName();
    return t;
}

TExportTable TArchiveLink::withProtocol(TExportTable table) const
{
    ProtocolTable::TWindowFacts facts;
    facts.model = m_modelName;
    facts.deviceNumber = m_window.deviceText().trimmed();
    facts.printedAt = m_window.now();
    return ProtocolTable::withProtocol(std::move(table), m_window.settings().ini(),
                                       m_window.quality->limits(), m_window.grid->Rows(), facts);
}

TExportTable TArchiveLink::reportTable() const
{
    TExportTable t = withProtocol(gridTable());
    if (markCorrections)
        markCorrections(t);
    return t;
}

void TArchiveLink::actExportExecute()
{
    exportTable(reportTable());
}

void TArchiveLink::actPrintPreviewExecute()
{
    const TExportTable t = reportTable();
    TPrintPreview preview([&t, font = m_window.grid->font()](QPrinter &printer) {
        return TReportPrint::paint(printer, t, font) ? QString() : Str::PrintFailed;
    });
    preview.exec(m_window.main);
}

void TArchiveLink::actPrintReportExecute()
{
    const TExportTable t = reportTable();
    QString error;
    if (!TReportPrint::exec(m_window.main, t, m_window.grid->font(), &error) && !error.isEmpty())
        m_window.messageBox(QMessageBox::Warning, Str::ErrorCaption, error, QMessageBox::Ok);
}

QUuid TArchiveLink::findRowResult(int row)
{
    const QUuid known = rowResult(row);
    if (!known.isNull() || m_archive.state() != ArchiveState::Ok)
        return known;
    return m_archive.findResult(rowKey(row));
}

void TArchiveLink::whenUsable(QObject *context, std::function<void()> then)
{
    connect(&m_archive, &TArchive::stateChanged, context, [this, then = std::move(then)] {
        if (m_archive.state() == ArchiveState::Ok)
            then();
    });
}
