#include "windows/TServerView.h"

#include <QLabel>
#include <QStatusBar>

#include "controls/TElidedLabel.h"
#include "server/ServerConfig.h"
#include "server/TServerReplicator.h"
#include "settings/TIniPlus.h"
#include "windows/TWindowStatus.h"

TServerView *TServerView::fromSettings(TWindowStatus *status, const TIniPlus &ini,
                                       const QString &archivePath, QObject *parent)
{
    if (archivePath.isEmpty())
        return nullptr;
    const QString conninfo = ServerConfig::fromSettings(ini);
    if (conninfo.isEmpty())
        return nullptr;
    return new TServerView(status, conninfo, archivePath, parent);
}

TServerView::TServerView(TWindowStatus *status, const QString &conninfo, const QString &archivePath,
                         QObject *parent)
    : QObject(parent)
    , m_conninfo(conninfo)
{
    setObjectName(QStringLiteral("ServerView"));
    m_status = new TElidedLabel(status->bar());
    m_status->setObjectName(QStringLiteral("ServerStatus"));
    status->place(m_status);
    m_replicator = new TServerReplicator(archivePath, conninfo, ServerLink::Limits(), this);
    connect(m_replicator, &TServerReplicator::statusChanged, this, &TServerView::showStatus);
    showStatus(m_replicator->statusText());
}

TServerView::~TServerView()
{
    delete m_replicator; // waits for the statement in flight, then lets the thread go
    delete m_status;
}

void TServerView::nudge()
{
    m_replicator->nudge();
}

void TServerView::showStatus(const QString &text)
{
    if (!m_status)
        return;
    const QString error = m_replicator->lastError();
    m_status->setFullText(text, m_replicator->errorDetail());
    // Like the archive's own label: quiet while all goes well, red while the server is away.
    TWindowStatus::showTrouble(m_status, !error.isEmpty());
}
