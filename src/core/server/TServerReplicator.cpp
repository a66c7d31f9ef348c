#include "server/TServerReplicator.h"

#include <QThread>

#include "server/ServerConfig.h"

TServerReplicator::TServerReplicator(const QString &archivePath, const QString &conninfo,
                                     const ServerLink::Limits &limits, QObject *parent)
    : QObject(parent)
    , m_thread(new QThread(this))
    , m_link(new ServerLink(archivePath, conninfo, limits))
    , m_status(QStringLiteral("Сервер: подключение…"))
{
    m_thread->setObjectName(QStringLiteral("archive-server"));
    m_link->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_link, &ServerLink::start);
    connect(m_thread, &QThread::finished, m_link, &QObject::deleteLater);
    connect(m_link, &ServerLink::progress, this, &TServerReplicator::onProgress,
            Qt::QueuedConnection);
    m_thread->start(QThread::LowPriority);
}

TServerReplicator::~TServerReplicator()
{
    m_link->requestStop();
    QMetaObject::invokeMethod(m_link, &ServerLink::shutdown, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

TServerReplicator *TServerReplicator::fromSettings(const TIniPlus &ini, const QString &archivePath,
                                                   QObject *parent)
{
    const QString conninfo = ServerConfig::fromSettings(ini);
    if (conninfo.isEmpty() || archivePath.isEmpty())
        return nullptr;
    return new TServerReplicator(archivePath, conninfo, ServerLink::Limits(), parent);
}

void TServerReplicator::nudge()
{
    QMetaObject::invokeMethod(m_link, &ServerLink::nudge, Qt::QueuedConnection);
}

void TServerReplicator::onProgress(bool online, qint64 queued, const QString &error)
{
    m_heard = true;
    m_online = online;
    m_queued = queued;
    m_error = ServerConfig::redacted(error);
    QString text;
    if (!m_error.isEmpty() && queued > 0)
        text = QStringLiteral("Сервер: %1 (%2 записей в очереди)").arg(m_error).arg(queued);
    else if (!m_error.isEmpty())
        text = QStringLiteral("Сервер: %1").arg(m_error);
    else if (queued == 0)
        text = QStringLiteral("Сервер: синхронизировано");
    else
        text = QStringLiteral("Сервер: %1 записей в очереди").arg(queued);
    if (text == m_status)
        return;
    m_status = text;
    emit statusChanged(m_status);
}
