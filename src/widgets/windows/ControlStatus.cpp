#include "windows/ControlStatus.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QToolTip>

#include "archive/OsUser.h"
#include "archive/TArchive.h"
#include "controls/TColorStringGrid.h"
#include "controls/TElidedLabel.h"
#include "qc/ControlHistory.h"
#include "qc/QcArchive.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "text/QcStrings.h"
#include "windows/QcActionDialog.h"
#include "windows/TArchiveLink.h"
#include "windows/TWindowStatus.h"

namespace {

// The row header of a held result: a lilac no limit colour uses, and a sign before its number.
const QColor HeldShade(0xD9, 0xC2, 0xEC);
const QString HeldSign = QStringLiteral("‖ ");
constexpr int ClockTick = 30 * 1000;

bool judged(const QcState &s)
{
    return s.kind == QcState::InControl || s.kind == QcState::Warning
           || s.kind == QcState::Rejection;
}

} // namespace

ControlStatus *ControlStatus::fromSettings(const TIniPlus &ini, TColorStringGrid *grid,
                                           TWindowStatus *status, TArchiveLink *link,
                                           QMenu *service, Clock now, QObject *parent)
{
    if (!ini.SectionExists(ControlMaterials::Section))
        return nullptr;
    QStringList notes;
    ControlMaterials materials = ControlMaterials::read(ini, TableShape::FirstValueCol,
                                                        grid->ColCount() - 1, &notes);
    if (materials.isEmpty())
        return nullptr;
    auto *made = new ControlStatus(std::move(materials), grid, link, std::move(now), parent);
    made->m_schedule = QcSchedule::read(ini, &notes);
    made->m_label = new TElidedLabel(status->bar());
    made->m_label->setObjectName(QStringLiteral("ControlStatus"));
    made->m_notes = notes.join(u'\n');
    status->place(made->m_label);
    // "Контроль" labels the open row as a control; with several materials, one item each.
    const QList<ControlMaterial> &list = made->m_monitor.materials().list();
    for (int m = 0; m < list.size(); ++m) {
        QAction *mark = service->addAction(list.size() == 1 ? Str::ActQcMark
                                                            : Str::ActQcMarkOf.arg(list[m].name));
        mark->setObjectName(QStringLiteral("actQcMark%1").arg(m + 1));
        connect(mark, &QAction::triggered, made, [made, m] { made->markOpenRow(m); });
    }
    QAction *act = service->addAction(Str::ActQcAction);
    act->setObjectName(QStringLiteral("actQcAction"));
    connect(act, &QAction::triggered, made, &ControlStatus::recordAction);
    link->markExport = [made](TExportTable &table) {
        QcHolds::markExport(table,
                            [made](int row) { return made->heldCell(TableShape::gridRow(row)); });
    };
    made->show();
    return made;
}

ControlStatus::ControlStatus(ControlMaterials materials, TColorStringGrid *grid, TArchiveLink *link,
                             Clock now, QObject *parent)
    : QObject(parent)
    , m_grid(grid)
    , m_link(link)
    , m_now(std::move(now))
    , m_monitor(std::move(materials), [this](int material) {
        return ControlHistory::read(m_link->archive(), m_monitor.materials(), material,
                                    m_link->modelName());
    })
{
    connect(&link->archive(), &TArchive::stateChanged, this, &ControlStatus::archiveChanged);
    followRows();
    // The hook may outlive this object while the window is torn down.
    QPointer<ControlStatus> self(this);
    grid->OnGetRowHeader = [self](int row, QBrush &brush, QString &text) {
        if (self && !self->heldCell(row).isEmpty()) {
            brush = HeldShade;
            text = HeldSign + text;
        }
    };
    m_headerViewport = grid->verticalHeader()->viewport();
    m_headerViewport->installEventFilter(this);
    AskAction = [grid](const QString &held, const QString &who, const QDateTime &when) {
        return QcActionDialog::ask(held, who, when, grid->window());
    };
    Refused = [grid](const QString &text) {
        QMessageBox::warning(grid->window(), Str::QcActionCaption, text);
    };
    connect(&m_clockTimer, &QTimer::timeout, this, &ControlStatus::show);
    m_clockTimer.start(ClockTick);
}

void ControlStatus::followRows()
{
    QAbstractItemModel *model = m_grid->model();
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                for (int r = first; r <= last; ++r)
                    m_times.insert(qMin(r, int(m_times.size())), QDateTime());
            });
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                if (first < m_times.size())
                    m_times.remove(first, qMin(last, int(m_times.size()) - 1) - first + 1);
            });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        m_times.clear();
        m_times.resize(m_grid->model()->rowCount());
    });
    m_times.resize(model->rowCount());
}

void ControlStatus::archiveChanged()
{
    if (m_link->archive().state() != ArchiveState::Ok)
        return;
    // Once the archive opens, the controls it holds from before tell the state; later, what
    // could not be read is judged now that it can.
    if (!m_read) {
        m_read = true;
        // A rejection answered before the program started again holds nothing anew.
        const QSqlDatabase db = m_link->archive().sideTables();
        if (const std::optional<QcHold> released = QcArchive::lastRelease(db))
            m_holds.restore(*released);
        m_monitor.judgeAll();
        m_lastControl = m_monitor.state().at;
    } else if (m_monitor.hasUnread()) {
        m_monitor.rejudge();
    }
    show();
}

void ControlStatus::resultRow(int row, const QDateTime &at)
{
    const int index = row - 1;
    if (index >= 0 && index < m_times.size())
        m_times[index] = at;
    if (m_monitor.labelled(m_grid->Cells(TableShape::LabelCol, row))) {
        m_lastControl = at;
        m_samplesSince = 0;
    } else {
        ++m_samplesSince;
    }
    show();
}

void ControlStatus::labelChanged(int row)
{
    // The open row holds no result yet: its label counts when the result comes.
    if (m_grid->Cells(TableShape::DateCol, row).isEmpty())
        return;
    m_monitor.relabelled(m_grid->Cells(TableShape::LabelCol, row));
    show();
}

QString ControlStatus::titleOf(int col) const
{
    return m_grid->Cells(col, 0);
}

QString ControlStatus::heldText(int row) const
{
    const QString cell = heldCell(row);
    return cell.isEmpty() ? cell : Str::QcHeldWhy.arg(cell);
}

QString ControlStatus::heldCell(int row) const
{
    const int index = row - 1;
    if (index < 0 || index >= m_times.size() || !m_holds.isHeld(m_times[index]))
        return {};
    const QcHold &hold = *m_holds.open();
    const QString why = ControlMonitor::reasonsText(hold.reasons,
                                                    [this](int col) { return titleOf(col); });
    return Str::QcHeldCell.arg(why, hold.rejectedAt.toString(QStringLiteral("HH:mm")));
}

int ControlStatus::heldCount() const
{
    int n = 0;
    for (const QDateTime &at : m_times)
        n += m_holds.isHeld(at) ? 1 : 0;
    return n;
}

void ControlStatus::follow(const QcState &state)
{
    const QcHolds::Change change = m_holds.judged(state);
    const bool fresh = judged(state)
                       && (state.kind != m_judged.kind || state.at != m_judged.at
                           || state.material != m_judged.material);
    if (fresh) {
        m_judged = state;
        const QSqlDatabase db = m_link->archive().sideTables();
        QSqlError error;
        // The judged control's result, when the table shows it.
        const int index = int(m_times.indexOf(state.at));
        const QUuid control = index >= 0 ? m_link->rowResult(index + 1) : QUuid();
        const ControlMaterial &material = m_monitor.materials().list()[state.material];
        const qint64 id = db.isValid() ? QcArchive::writeEvaluation(db, state, material, control,
                                                                    m_now(), &error)
                                       : -1;
        if (state.kind == QcState::Rejection && m_holds.open())
            m_holdEvaluation = id;
    }
    if (change != QcHolds::Change::None)
        m_grid->verticalHeader()->viewport()->update();
    writeHolds();
}

void ControlStatus::writeHolds()
{
    if (!m_holds.open() || m_holdEvaluation < 0)
        return;
    const QSqlDatabase db = m_link->archive().sideTables();
    if (!db.isValid())
        return;
    for (int i = 0; i < m_times.size(); ++i) {
        if (!m_holds.isHeld(m_times[i]))
            continue;
        const QUuid uid = m_link->rowResult(i + 1);
        if (uid.isNull() || m_heldWritten.contains(uid))
            continue;
        QSqlError error;
        if (QcArchive::writeHold(db, uid, m_holdEvaluation, m_now(), &error))
            m_heldWritten.insert(uid);
    }
}

QString ControlStatus::heldSummary() const
{
    if (!m_holds.open())
        return Str::QcActionNothingHeld;
    const QcHold &hold = *m_holds.open();
    const QString why = ControlMonitor::reasonsText(hold.reasons,
                                                    [this](int col) { return titleOf(col); });
    if (!hold.lastGood.isValid())
        return Str::QcActionHeldAll.arg(why);
    return Str::QcActionHeld.arg(hold.lastGood.toString(QStringLiteral("dd.MM HH:mm")), why);
}

void ControlStatus::markOpenRow(int material)
{
    const QList<ControlMaterial> &list = m_monitor.materials().list();
    if (material < 0 || material >= list.size())
        return;
    m_grid->CommitEditor();
    QStringList labels;
    for (int r = 1; r < m_grid->RowCount(); ++r)
        labels << m_grid->Cells(TableShape::LabelCol, r);
    m_grid->editCell(TableShape::LabelCol, m_grid->RowCount() - 1, list[material].nextLabel(labels));
}

void ControlStatus::recordAction()
{
    const QDateTime now = m_now();
    const QString who = osUserName();
    const std::optional<QString> comment = AskAction(heldSummary(), who, now);
    if (!comment || comment->trimmed().isEmpty())
        return;
    const QSqlDatabase db = m_link->archive().sideTables();
    QSqlError error;
    if (!db.isValid()
        || QcArchive::writeAction(db, who, comment->trimmed(), m_holds.open(),
                                  m_holds.open() ? m_holdEvaluation : -1, now, &error)
               < 0) {
        Refused(Str::QcActionNotRecorded);
        return;
    }
    m_holds.act(now);
    m_holdEvaluation = -1;
    m_grid->verticalHeader()->viewport()->update();
    show();
}

void ControlStatus::show()
{
    const QcState state = m_monitor.state();
    follow(state);
    QString text = ControlMonitor::describe(state, [this](int col) { return titleOf(col); });
    bool trouble = state.isTrouble();
    const std::optional<QcHold> &released = m_holds.released();
    if (m_holds.open()) {
        // A rejection says itself that the results are in question; after a control that
        // passed, the results still wait for the action.
        if (state.kind != QcState::Rejection)
            text += Str::QcHeldTail.arg(heldCount());
        trouble = true;
    } else if (state.kind == QcState::Rejection && released && state.at <= released->rejectedAt) {
        text = Str::QcReleased.arg(released->releasedAt.toString(QStringLiteral("HH:mm")));
        trouble = false;
    }
    if (!m_schedule.isOff() && m_schedule.due(m_samplesSince, m_lastControl, m_now()).isDue())
        text += Str::QcDueTail;
    m_label->setFullText(text, m_notes);
    TWindowStatus::showTrouble(m_label, trouble);
}

bool ControlStatus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || !m_headerViewport || watched != m_headerViewport)
        return QObject::eventFilter(watched, event);
    QHeaderView *header = m_grid->verticalHeader();
    auto *help = static_cast<QHelpEvent *>(event);
    const int index = header->logicalIndexAt(help->pos());
    const QString text = index >= 0 ? heldText(index + 1) : QString();
    if (text.isEmpty())
        return false;
    QToolTip::showText(help->globalPos(), text, header->viewport());
    return true;
}
