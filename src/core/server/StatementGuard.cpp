#include "server/StatementGuard.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>

namespace {

PGconn *connection(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // The driver hands its PGconn over as an opaque pointer; the type's name is libpq's
    // struct behind the typedef.
    const char *type = handle.isValid() ? handle.typeName() : nullptr;
    if (type && (qstrcmp(type, "pg_conn*") == 0 || qstrcmp(type, "PGconn*") == 0))
        return *static_cast<PGconn *const *>(handle.constData());
    return nullptr;
}

} // namespace

bool StatementGuard::lost(const QSqlDatabase &db)
{
    PGconn *conn = connection(db);
    return conn && PQstatus(conn) == CONNECTION_BAD;
}

void StatementGuard::attach(const QSqlDatabase &db)
{
    PGconn *conn = connection(db);
    const int socket = conn ? PQsocket(conn) : -1;
    const std::optional<quint64> identity = socketIdentity(socket);
    std::lock_guard lock(m_mutex);
    m_socket = identity ? socket : -1;
    m_inode = identity.value_or(0);
    m_cut = false;
    m_armed = false;
}

void StatementGuard::detach()
{
    // Taken under the lock: the socket is never shut after its number may have been reused.
    std::lock_guard lock(m_mutex);
    m_socket = -1;
    m_armed = false;
}

void StatementGuard::arm(int ms)
{
    std::lock_guard lock(m_mutex);
    if (!m_clock.isValid())
        m_clock.start();
    m_deadlineMs = m_clock.elapsed() + ms;
    m_armed = true;
}

void StatementGuard::disarm()
{
    std::lock_guard lock(m_mutex);
    m_armed = false;
}

bool StatementGuard::check()
{
    std::lock_guard lock(m_mutex);
    if (!m_armed || m_clock.elapsed() < m_deadlineMs)
        return false;
    cutLocked();
    return true;
}

void StatementGuard::cut(bool busyOnly)
{
    std::lock_guard lock(m_mutex);
    if (busyOnly && !m_armed)
        return;
    cutLocked();
}

bool StatementGuard::wasCut() const
{
    std::lock_guard lock(m_mutex);
    return m_cut;
}

void StatementGuard::cutLocked()
{
    m_armed = false;
    if (m_socket < 0)
        return;
    // libpq closes a socket it finds dead on its own; the number may belong to another file by
    // now, which must not be touched.
    if (shutDown(m_socket, m_inode))
        m_cut = true;
    m_socket = -1; // once is enough, and after it libpq closes the socket
}
