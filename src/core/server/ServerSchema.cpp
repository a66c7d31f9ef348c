#include "server/ServerSchema.h"

#include <algorithm>

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "archive/ArchiveRecords.h"
#include "server/ServerChain.h"
#include "server/ServerReceptionTables.h"
#include "server/ServerStations.h"

namespace {

// Any number: it only keeps two migrating stations apart.
constexpr qint64 MigrationLock = 0x7265673031;

bool run(QSqlQuery &q, const QString &sql, QSqlError *error)
{
    if (q.exec(sql))
        return true;
    *error = q.lastError();
    return false;
}

QStringList version1()
{
    QString values;
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        values += QStringLiteral("v%1 double precision, ").arg(k);
    return {
        // folded: the label (results) or the new label (label changes) case-folded by the
        // station, so the search needs no locale of the server's.
        QStringLiteral("CREATE TABLE reg01_records ("
                       "id bigint GENERATED ALWAYS AS IDENTITY UNIQUE, "
                       "station text NOT NULL, seq bigint NOT NULL, uid text NOT NULL, "
                       "kind text NOT NULL CHECK (kind IN ('result', 'label', 'file')), "
                       "at_ms bigint NOT NULL, at_iso text NOT NULL, "
                       "received timestamptz NOT NULL DEFAULT now(), "
                       "model text, port text, device integer, date_text text, "
                       "time_text text, grp integer, label text, folded text, cells text, "
                       "raw bytea, ")
            + values
            + QStringLiteral("result_seq bigint, row_no integer, old_text text, new_text text, "
                             "os_user text, file_name text, event text, row_count integer, "
                             "PRIMARY KEY (station, seq))"),
        QStringLiteral("CREATE INDEX reg01_records_results ON reg01_records (at_ms) "
                       "WHERE kind = 'result'"),
        QStringLiteral("CREATE INDEX reg01_records_labels ON reg01_records "
                       "(station, result_seq) WHERE kind = 'label'"),
        QStringLiteral("UPDATE reg01_schema SET version = 1"),
    };
}

// The limits each result was judged by, and the views' definitions as last made
// (ArchiveViews).
QStringList version3()
{
    return {
        QStringLiteral("ALTER TABLE reg01_records ADD COLUMN limits_checked integer, "
                       "ADD COLUMN limits_outside integer"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS reg01_views (name text PRIMARY KEY, "
                       "definition text NOT NULL)"),
        QStringLiteral("UPDATE reg01_schema SET version = 3"),
    };
}

QStringList stepTo(int v)
{
    if (v == 1)
        return version1();
    if (v == 2)
        return ServerChain::version2();
    if (v == 3)
        return version3();
    if (v == ServerSchema::ReceptionVersion)
        return ServerReceptionTables::version5();
    return ServerStations::tables(ServerSchema::HoldersVersion);
}

} // namespace

namespace ServerSchema {

int version(const QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT to_regclass('reg01_schema') IS NOT NULL"), error)
        || !q.next())
        return -1;
    if (!q.value(0).toBool())
        return 0;
    if (!run(q, QStringLiteral("SELECT max(version) FROM reg01_schema"), error))
        return -1;
    return q.next() ? q.value(0).toInt() : 0;
}

bool migrate(const QSqlDatabase &db, QSqlError *error, int target)
{
    const int now = version(db, error);
    if (now < 0)
        return false;
    if (now >= target)
        return true;
    QSqlDatabase conn = db;
    if (!conn.transaction()) {
        *error = conn.lastError();
        return false;
    }
    QSqlQuery q(db);
    QSqlQuery lock(db);
    bool ok = lock.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(?)"));
    lock.addBindValue(MigrationLock);
    ok = ok && lock.exec();
    if (!ok)
        *error = lock.lastError();
    ok = ok
         && run(q,
                QStringLiteral("CREATE TABLE IF NOT EXISTS reg01_schema "
                               "(version integer NOT NULL)"),
                error);
    ok = ok
         && run(q,
                QStringLiteral("INSERT INTO reg01_schema (version) SELECT 0 "
                               "WHERE NOT EXISTS (SELECT 1 FROM reg01_schema)"),
                error);
    // Another station may have migrated while this one waited for the lock.
    const int locked = ok ? version(db, error) : -1;
    ok = locked >= 0;
    for (int v = locked + 1; ok && v <= std::min(target, Version); ++v) {
        for (const QString &sql : stepTo(v)) {
            if (!(ok = run(q, sql, error)))
                break;
        }
    }
    if (ok && !conn.commit()) {
        *error = conn.lastError();
        ok = false;
    }
    if (!ok)
        conn.rollback();
    return ok;
}

} // namespace ServerSchema
