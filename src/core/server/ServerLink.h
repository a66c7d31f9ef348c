#pragma once

// The replication's worker: lives on a thread of its own with its own two connections, one
// reading the local archive file, one to the server. Each turn it finds what the server lacks
// (per station, the records after the highest number the server holds), sends it oldest first
// in batches, one transaction per batch (TServerBatch: only records that fit their hash chain,
// checked on the server after each batch), and the server skips what it already has, so a
// batch sent again after a lost acknowledgement changes nothing; a record the server holds
// under the same number with other contents is an error, never skipped. At connecting and
// every auditMs it also sends again what the server lost below its newest record. While the
// server cannot be reached it tries again after a pause that doubles up to the longest.
//
// Every connection is bounded (ConnInfo::Bounds), and each statement is watched by a
// StatementGuard that another thread checks: a server that stops answering in the middle of a
// statement costs the statement, never the thread. While idle, the server is asked a trivial
// question now and then, so that one gone silent is noticed without records waiting.
//
// An archive with an identity (ArchiveIdentity) sends a station's records only under a name the
// server gives to it (ServerStations): the first archive to send under a name holds it, and
// this archive's records under a name another holds stay in its file, while its other
// stations' records go (stations() says which). An archive without one is stopped, as ever,
// when the server's newest record of its station is another archive's.
//
// After the records go the archive's milk reception rows (TServerReceptionBatch), under the
// station of the archive's first record, once the server keeps reception and while that
// station's records go; an archive without reception tables sends its records alone.

#include <atomic>
#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>

#include "archive/DatabaseConnection.h"
#include "server/ConnInfo.h"
#include "server/ServerError.h"
#include "server/TServerBatch.h"

class QSqlQuery;
class StatementGuard;

class ServerLink : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        int batch = 2000; // records per statement, each its own transaction
        int idleMs = 250; // how often the local archive is looked at for new records
        int firstRetryMs = 1000;
        int longestRetryMs = 60000;
        // How often the server's holdings are checked for records deleted there.
        int auditMs = 60000;
        int probeMs = 10000; // how often an idle connection is asked whether the server is there
        int graceMs = 2000;  // beyond the server's statement_timeout, before the guard cuts
        ConnInfo::Bounds bounds;
        int statementBoundMs() const { return bounds.statementTimeoutMs + graceMs; }
    };

    ServerLink(const QString &archivePath, const QString &conninfo, const Limits &limits,
               std::shared_ptr<StatementGuard> guard);
    ~ServerLink() override;

    void requestStop() { m_stopping = true; }

public slots:
    void start();
    void nudge(); // new records were written: look now
    void shutdown();

signals:
    // online: the last try reached the server; queued: local records it does not hold yet.
    void progress(bool online, qint64 queued, const ServerError &error);
    // After each look at what the server holds: the stations held back, with the records each
    // has here, and the stations whose records go. Both empty where holders are not known.
    void stations(const QStringList &held, const QList<qint64> &counts, const QStringList &sending);

private:
    void turn();
    bool connectServer(ServerError *error);
    bool connectLocal(ServerError *error);
    void makeViews(QSqlDatabase &db);
    void dropServer();
    bool probe(ServerError *error);
    enum class Top { Ours, Theirs, Failed };
    // Whose is the server's record `seq` (its newest) of the station.
    Top whoseTop(const QString &station, qint64 seq, ServerError *error);
    bool sameRecordAt(const QString &station, qint64 seq, ServerError *error);
    bool highOnServer(const QString &station, qint64 *high, ServerError *error);
    // Puts the station among those sent or those held back, claiming its name when free.
    bool decide(const QString &station, qint64 high, ServerError *error);
    void tellStations();
    bool findCursor(ServerError *error);
    int sendBatch(ServerError *error); // records sent, -1 on failure
    qint64 localCount(qint64 afterId);
    // Milk reception (ServerLinkReception.cpp).
    bool findReceptionCursors(ServerError *error);
    int sendReception(ServerError *error); // rows sent, -1 on failure
    qint64 receptionTop();                 // the reception tables' highest ids, summed
    void schedule(int ms);

    QString m_archivePath;
    QString m_conninfo;
    Limits m_limits;
    DatabaseConnection m_local{QStringLiteral("QSQLITE"), QStringLiteral("server-local")};
    DatabaseConnection m_server{QStringLiteral("QPSQL"), QStringLiteral("server-pg")};
    QString m_identity; // the local archive's; empty: holders are not asked
    TServerBatch::Stations m_stations;
    QTimer *m_timer = nullptr;
    bool m_serverReady = false;
    bool m_serverHolders = false; // the server's tables know which archive holds which name
    bool m_cursorKnown = false;
    qint64 m_cursor = 0;            // local records up to this id are on the server
    qint64 m_lastSeen = -1;         // the local archive's highest id at the last look
    bool m_serverReception = false; // the server's tables keep milk reception
    QString m_receptionStation;     // empty: no reception row goes
    // Per ServerReceptionTables::tables(): rows up to this id are on the server; -1 where the
    // archive has no such table.
    std::vector<qint64> m_receptionCursors;
    qint64 m_receptionSeen = -1; // receptionTop() at the last look
    QElapsedTimer m_sinceAudit;
    int m_retryMs = 0;
    std::atomic_bool m_stopping = false;
    std::shared_ptr<StatementGuard> m_guard;
    QElapsedTimer m_contact; // since the server last answered
};
