#pragma once

// Why a turn of the replication failed, by where it failed: the local archive file (its
// connection is closed and opened again; the server's stays) or the server and the way to it
// (the server's connection is dropped). The status line shows text(), word for word as the
// replication has always written it: "архив: database is locked", or what the server, libpq or
// the program said of the server.

#include <QSqlError>
#include <QString>

#include "text/ServerStrings.h"

struct ServerError
{
    enum class Kind { none, archive, server };

    Kind kind = Kind::none;
    QString message; // what SQLite, the server, libpq or the program said

    static ServerError archive(const QSqlError &e) { return {Kind::archive, e.text()}; }
    static ServerError server(const QString &message) { return {Kind::server, message}; }

    QString text() const
    {
        return kind == Kind::archive ? Str::ServerArchiveFailed.arg(message) : message;
    }
};
