// ServerLink's two connections: the local archive file and the server, and the end of both.

#include "server/ServerLink.h"

#include <QSqlError>
#include <QSqlQuery>

#include "archive/ArchiveViews.h"
#include "server/ServerMessages.h"
#include "server/ServerSchema.h"
#include "server/StatementGuard.h"
#include "text/ServerStrings.h"

void ServerLink::shutdown()
{
    m_stopping = true;
    delete m_timer;
    m_timer = nullptr;
    m_guard->detach();
    // Both go with the link, on this thread.
    m_local.close();
    m_server.close();
}

bool ServerLink::connectLocal(ServerError *error)
{
    if (m_local.isOpen())
        return true;
    QSqlDatabase db = m_local.database();
    db.setDatabaseName(m_archivePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000;QSQLITE_OPEN_READONLY"));
    if (db.open())
        return true;
    if (error)
        *error = ServerError::archive(db.lastError());
    return false;
}

bool ServerLink::connectServer(ServerError *error)
{
    QSqlDatabase db = m_server.database();
    if (!db.isValid()) {
        *error = ServerError::server(Str::ServerNoDriver);
        return false;
    }
    if (db.isOpen() && m_serverReady)
        return true;
    // The driver adds the string to its own; its ';' would become spaces.
    db.setConnectOptions(m_conninfo);
    QSqlError e;
    const bool opened = db.open();
    if (opened)
        m_guard->attach(db); // from here on a silent server costs a statement, not the thread
    bool migrated = opened && ServerSchema::migrate(db, &e);
    // A station's role may not take the step that adds the holders of names: it goes on as
    // before it until the owner's connection takes it.
    QSqlError older;
    const int version = opened ? ServerSchema::version(db, &older) : -1;
    if (!migrated && version >= ServerSchema::HoldersVersion - 1
        && e.nativeErrorCode() == QStringLiteral("42501"))
        migrated = true;
    m_serverHolders = version >= ServerSchema::HoldersVersion;
    m_serverReception = version >= ServerSchema::ReceptionVersion;
    if (!migrated) {
        *error = ServerError::server(
            ServerMessages::firstLine(db.lastError().isValid() ? db.lastError() : e));
        if (e.isValid())
            *error = ServerError::server(ServerMessages::firstLine(e));
        dropServer();
        return false;
    }
    makeViews(db);
    m_serverReady = true;
    m_cursorKnown = false;
    return true;
}

// The named-column views as this station's windows last named them. A role without the right
// to make them leaves them as they are: they are a convenience, the records go on all the same.
void ServerLink::makeViews(QSqlDatabase &db)
{
    if (!connectLocal(nullptr))
        return;
    const std::vector<TArchiveFamily> families = ArchiveViews::families(m_local.database());
    if (families.empty() || !db.transaction())
        return;
    QSqlQuery q(db);
    const bool invoker = q.exec(QStringLiteral("SHOW server_version_num")) && q.next()
                         && q.value(0).toInt() >= 150000;
    QSqlError e;
    if (!ArchiveViews::ensureServer(db, families, invoker, &e) || !db.commit())
        db.rollback();
}

void ServerLink::dropServer()
{
    m_serverReady = false;
    m_cursorKnown = false;
    m_guard->detach();
    m_server.close();
}

// An idle connection says nothing about the server behind it: one that stopped answering is
// found only by asking.
bool ServerLink::probe(ServerError *error)
{
    QSqlQuery q(m_server.database());
    if (q.exec(QStringLiteral("SELECT 1")))
        return true;
    *error = ServerError::server(ServerMessages::firstLine(q.lastError()));
    return false;
}
