#pragma once

// A bound on the network for a thread that talks to the server through the QPSQL driver, which
// blocks in libpq until the server answers. A stopped server (its processes frozen, a dead
// link) never answers, and neither its statement_timeout nor PQcancel helps then: the first
// is the server's own, the second waits for the server to take the cancel request. So the
// bound is kept on our side: another thread shuts the connection's socket down, and the call
// blocked in libpq returns at once with a lost connection.
//
// The talking thread attaches the connection after opening it, arms the guard before each
// statement and detaches the connection before closing it; any other thread may check the
// deadline or cut the connection at any time.

#include <mutex>
#include <optional>

#include <QElapsedTimer>
#include <QtGlobal>

class QSqlDatabase;

class StatementGuard
{
public:
    // The socket of an open QPSQL connection; none when the driver hands out no handle.
    void attach(const QSqlDatabase &db);
    void detach();
    // The statement about to run must be done within ms.
    void arm(int ms);
    void disarm();

    // Cuts the connection when the armed statement is past its time; true when it did.
    bool check();
    // Cuts the connection now (the work is being stopped); busyOnly: only while a statement
    // runs (an idle connection is kept for the next one).
    void cut(bool busyOnly = false);
    // True once a statement was cut since the last attach: its error is ours, not the server's.
    bool wasCut() const;

    // True when the QPSQL connection is broken (cut, or the server went away): it must be
    // opened again before the next statement.
    static bool lost(const QSqlDatabase &db);

private:
    void cutLocked();
    // In the platform file: what tells the socket apart from a later one with the same number
    // (its inode; on Windows its local address), nothing when socket is none; and the shutdown
    // of both directions when the socket still has that identity.
    static std::optional<quint64> socketIdentity(int socket);
    static bool shutDown(int socket, quint64 identity);

    mutable std::mutex m_mutex;
    int m_socket = -1;
    quint64 m_inode = 0; // the socket's identity, to know it is still the connection's
    bool m_armed = false;
    bool m_cut = false;
    qint64 m_deadlineMs = 0;
    QElapsedTimer m_clock;
};
