#pragma once

// A libpq connection string as the program uses it: the bounds every connection carries, added
// to what the settings give, and the refusal of a password written there.
//
// Both forms libpq reads are handled: "host=db.lab dbname=reg01 …" (key=value, values bare or
// in single quotes) and "postgresql://user@db.lab:5432/reg01?sslmode=verify-full" (a URI).
// The QPSQL driver puts the string after a key=value string of its own, where libpq no longer
// takes it for a URI, so a URI is handed on in key=value form. What the string sets itself is
// never changed; the program only adds what is missing.

#include <QString>

namespace ConnInfo {

// What a connection is bounded by. A dead link is noticed by the TCP keepalives while the
// connection is idle and by tcp_user_timeout while data waits unacknowledged; a server that
// takes a statement and never finishes it stops it itself after statementTimeoutMs.
struct Bounds
{
    int connectTimeoutS = 5;
    int keepalivesIdleS = 10;
    int keepalivesIntervalS = 5;
    int keepalivesCount = 3;
    int tcpUserTimeoutMs = 20000;
    int statementTimeoutMs = 15000;
};

bool isUri(const QString &conninfo);
// The value of a key the string sets (the last one, as libpq reads it); isNull when unset.
QString value(const QString &conninfo, const QString &key);
// True when the string carries a password (password=…, or user:password@ in a URI).
bool hasPassword(const QString &conninfo);
// The string as key=value pairs: a URI rewritten, any other string as it is.
QString keyValueForm(const QString &conninfo);
// The string in key=value form with the bounds it does not set itself added.
QString withBounds(const QString &conninfo, const Bounds &bounds = Bounds());

} // namespace ConnInfo
