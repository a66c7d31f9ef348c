#pragma once

// Sends the local archive to the PostgreSQL server named in the settings, in the background.
//
// The work runs on a thread of its own with its own connections, so neither the poller nor the
// UI thread ever waits for the network; this object, on the UI thread, only receives progress
// and keeps the status line: "Сервер: синхронизировано", "Сервер: N записей в очереди", or
// the last error (never with a password in it).
//
// A window wires it with one call after opening its archive:
//     m_server = TServerReplicator::fromSettings(ini, archive->path(), this);
//     if (m_server) connect(m_server, &TServerReplicator::statusChanged, ...);
// and may call nudge() after handing the archive a record, so it leaves sooner.

#include <QObject>
#include <QString>

#include "server/ServerLink.h"

class QThread;
class TIniPlus;

class TServerReplicator : public QObject
{
    Q_OBJECT
public:
    TServerReplicator(const QString &archivePath, const QString &conninfo,
                      const ServerLink::Limits &limits = ServerLink::Limits(),
                      QObject *parent = nullptr);
    // Stops the thread; waits at most for the statement in flight (the connection string's
    // connect_timeout bounds a connection attempt).
    ~TServerReplicator() override;

    // Made and started when the settings name a server; nullptr when they do not.
    static TServerReplicator *fromSettings(const TIniPlus &ini, const QString &archivePath,
                                           QObject *parent);

    QString statusText() const { return m_status; }
    bool online() const { return m_online; }
    qint64 queued() const { return m_queued; }
    QString lastError() const { return m_error; }
    bool synchronized() const { return m_online && m_queued == 0 && m_heard; }

public slots:
    void nudge();

signals:
    void statusChanged(const QString &text);

private:
    void onProgress(bool online, qint64 queued, const QString &error);

    QThread *m_thread = nullptr;
    ServerLink *m_link = nullptr;
    QString m_status;
    QString m_error;
    qint64 m_queued = 0;
    bool m_online = false;
    bool m_heard = false;
};
