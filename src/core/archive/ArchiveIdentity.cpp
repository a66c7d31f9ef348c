#include "archive/ArchiveIdentity.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace ArchiveIdentity {

QStringList tables()
{
    QStringList sql{QStringLiteral("CREATE TABLE archive_identity ("
                                   "id INTEGER PRIMARY KEY CHECK (id = 1), "
                                   "uid TEXT NOT NULL, made_ms INTEGER NOT NULL)")};
    for (const char *what : {"UPDATE", "DELETE"})
        sql << QStringLiteral("CREATE TRIGGER IF NOT EXISTS archive_identity_no_%1 BEFORE %2 ON "
                              "archive_identity BEGIN "
                              "SELECT RAISE(ABORT, 'archive records are never changed'); END")
                   .arg(QString::fromLatin1(what).toLower(), QString::fromLatin1(what));
    return sql;
}

bool make(const QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT OR IGNORE INTO archive_identity (id, uid, made_ms) "
                                  "VALUES (1, ?, ?)"))) {
        *error = q.lastError();
        return false;
    }
    q.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    q.addBindValue(QDateTime::currentMSecsSinceEpoch());
    if (q.exec())
        return true;
    *error = q.lastError();
    return false;
}

QString of(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT uid FROM archive_identity WHERE id = 1")) || !q.next())
        return QString();
    return q.value(0).toString();
}

} // namespace ArchiveIdentity
