#pragma once

// Sends the local archive to the PostgreSQL server named in the settings, in the background.
//
// The work runs on a thread of its own with its own connections, so neither the poller nor the
// UI thread ever waits for the network; this object, on the UI thread, only receives progress
// and keeps the status line: "Сервер: синхронизировано", "Сервер: 5 записей в очереди" (the noun as the number asks), or
// the last error's cause in Russian (never with a password in it), libpq's own words kept for
// a tooltip. A connection string with a password in it is refused: nothing connects with it.
// Records held back under a station name the server gives to another archive are told as the
// cause, beside the stations whose records went: "Сервер: записи станции «host» (12) не
// отправляются: …; записи станции «line-2» отправлены".
//
// A window may call nudge() after handing the archive a record, so it leaves sooner.

#include <memory>

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "server/ServerLink.h"

class QThread;

class TServerReplicator : public QObject
{
    Q_OBJECT
public:
    TServerReplicator(const QString &archivePath, const QString &conninfo,
                      const ServerLink::Limits &limits = ServerLink::Limits(),
                      QObject *parent = nullptr);
    // Stops the thread without waiting on the network: the statement in flight is cut off, and
    // a thread still busy after StopWaitMs (in a connection attempt, bounded by
    // connect_timeout) is left to end on its own. Whatever it was sending is sent again by the
    // next start; sending twice changes nothing.
    ~TServerReplicator() override;

    static constexpr int StopWaitMs = 30;

    QString statusText() const { return m_status; }
    bool online() const { return m_online; }
    qint64 queued() const { return m_queued; }
    QString lastError() const { return m_error; }    // the cause, in Russian
    QString errorDetail() const { return m_detail; } // what the server or libpq said
    bool synchronized() const { return m_online && m_queued == 0 && m_heard && m_held.isEmpty(); }
    // The stations whose records are held back; those whose records go.
    QStringList heldStations() const { return m_held; }
    QStringList sendingStations() const { return m_sending; }

public slots:
    void nudge();

signals:
    void statusChanged(const QString &text);

private:
    void onProgress(bool online, qint64 queued, const ServerError &error);
    void onStations(const QStringList &held, const QList<qint64> &counts,
                    const QStringList &sending);
    QString heldText() const;

    std::shared_ptr<StatementGuard> m_guard;
    QThread *m_thread = nullptr;
    ServerLink *m_link = nullptr;
    QString m_status;
    QString m_error;
    QString m_detail;
    qint64 m_queued = 0;
    QStringList m_held;
    QList<qint64> m_heldCounts;
    QStringList m_sending;
    bool m_online = false;
    bool m_heard = false;
};
