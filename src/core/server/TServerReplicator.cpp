#include "server/TServerReplicator.h"

#include <algorithm>

#include <QThread>
#include <QTimer>

#include "server/ConnInfo.h"
#include "server/ServerConfig.h"
#include "server/ServerMessages.h"
#include "server/StatementGuard.h"
#include "text/ServerStrings.h"

TServerReplicator::TServerReplicator(const QString &archivePath, const QString &conninfo,
                                     const ServerLink::Limits &limits, QObject *parent)
    : QObject(parent)
    , m_guard(std::make_shared<StatementGuard>())
    , m_status(Str::ServerConnecting)
{
    if (ConnInfo::hasPassword(conninfo)) {
        m_error = Str::ServerPasswordRefused;
        m_detail = m_error;
        m_status = Str::ServerFailed.arg(m_error);
        return;
    }
    m_thread = new QThread(this);
    m_link = new ServerLink(archivePath, conninfo, limits, m_guard);
    m_thread->setObjectName(QStringLiteral("archive-server"));
    m_link->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_link, &ServerLink::start);
    connect(m_thread, &QThread::finished, m_link, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    connect(m_link, &ServerLink::progress, this, &TServerReplicator::onProgress,
            Qt::QueuedConnection);
    connect(m_link, &ServerLink::stations, this, &TServerReplicator::onStations,
            Qt::QueuedConnection);
    // The statements' deadlines are watched from here: the sending thread may be stuck in one.
    auto *watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [guard = m_guard] { guard->check(); });
    watch->start(std::max(50, std::min(500, limits.statementBoundMs() / 4)));
    m_thread->start(QThread::LowPriority);
}

TServerReplicator::~TServerReplicator()
{
    if (!m_thread)
        return;
    m_link->requestStop();
    QMetaObject::invokeMethod(m_link, &ServerLink::shutdown, Qt::QueuedConnection);
    m_thread->quit();
    if (m_thread->wait(StopWaitMs / 3))
        return;
    // Busy on the network: the statement is cut off. A thread still in a connection attempt
    // deletes itself and its link when it ends.
    m_guard->cut();
    if (!m_thread->wait(StopWaitMs - StopWaitMs / 3))
        m_thread->setParent(nullptr);
}

void TServerReplicator::nudge()
{
    if (m_link)
        QMetaObject::invokeMethod(m_link, &ServerLink::nudge, Qt::QueuedConnection);
}

void TServerReplicator::onProgress(bool online, qint64 queued, const ServerError &error)
{
    m_heard = true;
    m_online = online;
    m_queued = queued;
    m_detail = ServerConfig::redacted(error.text());
    // The archive's failure is told as it stands; the server's words become their cause.
    m_error = error.kind == ServerError::Kind::archive ? m_detail : ServerMessages::cause(m_detail);
    // Held back is the cause while nothing else goes wrong; it tells the queue itself.
    const bool held = m_error.isEmpty() && !m_held.isEmpty();
    if (held) {
        m_error = heldText();
        m_detail = m_error;
    }
    QString text;
    if (!m_error.isEmpty() && queued > 0 && !held)
        text = Str::ServerFailedQueued.arg(m_error, Str::records(queued));
    else if (!m_error.isEmpty())
        text = Str::ServerFailed.arg(m_error);
    else if (queued == 0)
        text = Str::ServerSynced;
    else
        text = Str::ServerQueued.arg(Str::records(queued));
    if (text == m_status)
        return;
    m_status = text;
    emit statusChanged(m_status);
}

void TServerReplicator::onStations(const QStringList &held, const QList<qint64> &counts,
                                   const QStringList &sending)
{
    m_held = held;
    m_heldCounts = counts;
    m_sending = sending;
}

QString TServerReplicator::heldText() const
{
    QStringList parts;
    for (qsizetype k = 0; k < m_held.size(); ++k)
        parts << Str::ServerStationHeld.arg(m_held[k], QString::number(m_heldCounts.value(k)));
    QStringList names;
    for (const QString &station : m_sending)
        names << Str::ServerStationName.arg(station);
    const QString list = names.join(QStringLiteral(", "));
    const bool one = names.size() == 1;
    if (!names.isEmpty() && m_queued == 0)
        parts << (one ? Str::ServerStationSent : Str::ServerStationsSent).arg(list);
    else if (!names.isEmpty())
        parts << (one ? Str::ServerStationQueued : Str::ServerStationsQueued)
                     .arg(list, QString::number(m_queued));
    return parts.join(QStringLiteral("; "));
}
