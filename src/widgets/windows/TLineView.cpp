#include "windows/TLineView.h"

#include <QDir>
#include <QFileInfo>
#include <QStatusBar>

#include "controls/TColorStringGrid.h"
#include "controls/TLivePortMenu.h"
#include "controls/TNumberEdit.h"
#include "pollers/RequestCode.h"
#include "pollers/TOpPoller.h"
#include "serial/PortProblem.h"
#include "settings/TIniPlus.h"
#include "table/TStringGridModel.h"
#include "table/TableShape.h"
#include "windows/TRegistrationWindow.h"
#include "windows/TStatusPanel.h"
#include "windows/TWindowStatus.h"

TLineView::TLineView(TRegistrationWindow *window)
    : QObject(window)
    , m_window(window)
{
    setObjectName(QStringLiteral("LineView"));
    TOpPoller *poller = window->Poller();
    m_panel = new TStatusPanel(window->status().bar());
    m_panel->now = [window] { return window->Now(); };
    // A permanent widget: notes shown in the status bar do not hide the line's state.
    window->status().place(m_panel, 1);

    m_portMenu = new TLivePortMenu(
        window->MenuPort, [poller] { return poller->Port; }, this);
    connect(m_portMenu, &TLivePortMenu::portChosen, this,
            [poller](const QString &port) { poller->Port = port; });

    poller->setReconnectPause(ReconnectPause);
    const TIniPlus &ini = window->settings().ini();
    if (ini.ReadInteger(QStringLiteral("Config"), QStringLiteral("FrameLog"), 0) == 1)
        poller->setFrameLog(frameLogPath(window->IniPath()));

    connect(poller, &TOpPoller::started, m_panel, [this, poller] {
        m_panel->pollingStarted(poller->Port, qRound(m_window->NumberEdit1->Value()));
    });
    connect(poller, &TOpPoller::stopped, m_panel, [this] {
        m_panel->pollingStopped();
        m_window->takeBoxDetails(); // a box replaced by a test left it unread
    });
    connect(poller, &TOpPoller::openFailed, this, [this](const TPortFailure &failure) {
        m_window->BoxDetails = PortProblem::describe(failure.device, failure.error);
    });
    // After the get-number step Command holds the window's decision: a fetch when due.
    connect(poller, &TOpPoller::numberTaken, m_panel, [this, poller] {
        m_panel->cycle(poller->Command == RequestCode::Fetch, m_window->LastResult());
    });
    connect(poller, &TOpPoller::replyAccepted, m_panel, &TStatusPanel::replyAccepted);
    connect(poller, &TOpPoller::replyDropped, m_panel, &TStatusPanel::replyDropped);
    connect(poller, &TOpPoller::lineLost, m_panel, &TStatusPanel::lineLost);
    connect(poller, &TOpPoller::reconnectFailed, m_panel, &TStatusPanel::reconnectFailed);
    connect(poller, &TOpPoller::lineRestored, m_panel, &TStatusPanel::lineRestored);
    connect(window, &TRegistrationWindow::resultRejected, m_panel, &TStatusPanel::resultRejected);
    connect(window, &TRegistrationWindow::modelNameChanged, m_panel, &TStatusPanel::setModelName);

    TStringGridModel *model = window->MainGrid->GridModel();
    for (auto signal : {&TStringGridModel::rowsInserted, &TStringGridModel::rowsRemoved})
        connect(model, signal, this, &TLineView::countResults);
    connect(model, &TStringGridModel::modelReset, this, &TLineView::countResults);
    countResults();
}

QString TLineView::frameLogPath(const QString &iniPath)
{
    const QFileInfo ini(iniPath);
    return ini.absoluteDir().filePath(ini.completeBaseName() + QStringLiteral("-frames.log"));
}

void TLineView::countResults()
{
    // Every row holds a result but the open row at the end, which has no date yet.
    const TStringGridModel *model = m_window->MainGrid->GridModel();
    const int rows = model->DataRowCount();
    const bool open = rows > 0 && model->Cell(TableShape::DateCol, rows - 1).isEmpty();
    m_panel->setResultCount(rows - (open ? 1 : 0));
}
