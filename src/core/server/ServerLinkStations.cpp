// ServerLink's station names: whose the server's newest record of a station is, and, where the
// archive has an identity, which of its stations' names the server gives to it.

#include "server/ServerLink.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include "server/ServerMessages.h"
#include "server/ServerStations.h"
#include "text/ChainStrings.h"
#include "text/ServerStrings.h"

bool ServerLink::highOnServer(const QString &station, qint64 *high, ServerError *error)
{
    QSqlQuery q(m_server.database());
    if (!q.prepare(QStringLiteral("SELECT COALESCE(max(seq), 0) FROM reg01_records "
                                  "WHERE station = ?"))) {
        *error = ServerError::server(ServerMessages::firstLine(q.lastError()));
        return false;
    }
    q.addBindValue(station);
    if (!q.exec() || !q.next()) {
        *error = ServerError::server(ServerMessages::firstLine(q.lastError()));
        return false;
    }
    *high = q.value(0).toLongLong();
    return true;
}

// The server's newest record of a station must be this archive's record of that number: were
// it another archive's (a second copy of the program under the same station name), every
// record of ours up to that number would be taken as sent and never reach the server.
ServerLink::Top ServerLink::whoseTop(const QString &station, qint64 seq, ServerError *error)
{
    if (seq <= 0)
        return Top::Ours;
    QSqlQuery theirs(m_server.database());
    QSqlQuery ours(m_local.database());
    if (!theirs.prepare(QStringLiteral("SELECT uid, hash FROM reg01_records WHERE station = ? "
                                       "AND seq = ?"))
        || !ours.prepare(QStringLiteral("SELECT r.uid, c.hash FROM records r LEFT JOIN "
                                        "record_chain c ON c.id = r.id "
                                        "WHERE r.station = ? AND r.seq = ?"))) {
        *error = ServerError::server(ServerMessages::firstLine(theirs.lastError()));
        return Top::Failed;
    }
    theirs.addBindValue(station);
    theirs.addBindValue(seq);
    ours.addBindValue(station);
    ours.addBindValue(seq);
    if (!theirs.exec() || !theirs.next()) {
        *error = ServerError::server(ServerMessages::firstLine(theirs.lastError()));
        return Top::Failed;
    }
    if (!ours.exec()) {
        *error = ServerError::archive(ours.lastError());
        return Top::Failed;
    }
    const bool held = ours.next();
    const QString mine = held ? QUuid::fromRfc4122(ours.value(0).toByteArray())
                                    .toString(QUuid::WithoutBraces)
                              : QString();
    if (mine != theirs.value(0).toString())
        return Top::Theirs;
    // Our record under our uid, but not as we wrote it: never taken as sent.
    if (ours.value(1) != theirs.value(1)) {
        *error = ServerError::server(Str::ServerConflict.arg(station, QString::number(seq)));
        return Top::Failed;
    }
    return Top::Ours;
}

bool ServerLink::sameRecordAt(const QString &station, qint64 seq, ServerError *error)
{
    const Top top = whoseTop(station, seq, error);
    if (top == Top::Theirs)
        *error = ServerError::server(Str::ServerOtherArchive.arg(station));
    return top == Top::Ours;
}

// Held back: a name the server gives to another archive, or one under which another archive's
// record is the server's newest (a copy of an older program, which claims no name). Free: taken
// when the server's newest record of it, if any, is ours.
bool ServerLink::decide(const QString &station, qint64 high, ServerError *error)
{
    const QSqlDatabase server = m_server.database();
    QString holder;
    QString why; // the server's
    if (!ServerStations::holder(server, station, &holder, &why)) {
        *error = ServerError::server(why);
        return false;
    }
    bool ours = holder.isEmpty() || holder == m_identity;
    if (ours) {
        const Top top = whoseTop(station, high, error);
        if (top == Top::Failed)
            return false;
        ours = top == Top::Ours;
    }
    if (ours && holder.isEmpty()) {
        holder = m_identity;
        if (!ServerStations::claim(server, station, &holder, &why)) {
            *error = ServerError::server(why);
            return false;
        }
        ours = holder == m_identity;
    }
    (ours ? m_stations.sending : m_stations.held).insert(station);
    return true;
}

void ServerLink::tellStations()
{
    QStringList held;
    QList<qint64> counts;
    QSqlQuery q(m_local.database());
    q.prepare(QStringLiteral("SELECT count(*) FROM records WHERE station = ?"));
    for (const QString &station : m_stations.held) {
        q.addBindValue(station);
        held << station;
        counts << (q.exec() && q.next() ? q.value(0).toLongLong() : 0);
    }
    QStringList sending;
    for (const QString &station : m_stations.sending)
        sending << station;
    emit stations(held, counts, sending);
}
