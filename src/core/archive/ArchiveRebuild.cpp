#include "archive/ArchiveRebuild.h"

#include <algorithm>

#include <QFile>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "archive/ArchiveIdentity.h"
#include "archive/ArchiveSchema.h"
#include "text/SafeFile.h"

namespace {

constexpr qint64 kRange = 512;
// The ledger first: every other table's rows name a record. The identity last: the new file
// took a new one when it was made, and is given the old one instead.
const char *const kTables[] = {"records",       "record_chain",  "results",
                               "label_changes", "file_events",   "label_texts",
                               "result_marks",  "archive_views", "archive_identity"};

bool run(const QSqlDatabase &db, const QString &sql, QSqlError *error = nullptr)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    if (error)
        *error = q.lastError();
    return false;
}

QStringList columnsOf(const QSqlDatabase &db, const QString &schema, const QString &table)
{
    QSqlQuery q(db);
    QStringList out;
    if (!q.exec(QStringLiteral("PRAGMA %1.table_info(%2)").arg(schema, table)))
        return out;
    while (q.next())
        out << q.value(1).toString();
    return out;
}

bool makeEmpty(const QString &to, QSqlError *error)
{
    static int serial = 0;
    const QString name = QStringLiteral("reg01-rebuild-%1").arg(++serial);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(to);
        if (!db.open())
            *error = db.lastError();
        else
            ok = run(db, QStringLiteral("PRAGMA journal_mode = WAL"), error)
                 && ArchiveSchema::migrate(db, ArchiveSchema::Version, error);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// Copies the rows with ids in (from, to]; one by one when the range as a whole cannot be read.
void copyRange(const QSqlDatabase &db, const QString &insert, qint64 from, qint64 to)
{
    QSqlQuery q(db);
    q.prepare(insert + QStringLiteral(" WHERE id > ? AND id <= ?"));
    q.addBindValue(from);
    q.addBindValue(to);
    if (q.exec())
        return;
    for (qint64 id = from + 1; id <= to; ++id) {
        q.addBindValue(id - 1);
        q.addBindValue(id);
        q.exec();
    }
}

} // namespace

namespace ArchiveRebuild {

qint64 copyInto(const QSqlDatabase &from, const QString &to, qint64 lastId, QSqlError *error)
{
    if (!makeEmpty(to, error))
        return -1;
    run(from, QStringLiteral("PRAGMA foreign_keys = OFF"));
    QSqlQuery attach(from);
    attach.prepare(QStringLiteral("ATTACH DATABASE ? AS fresh"));
    attach.addBindValue(to);
    if (!attach.exec()) {
        *error = attach.lastError();
        run(from, QStringLiteral("PRAGMA foreign_keys = ON"));
        return -1;
    }
    run(from, QStringLiteral("BEGIN IMMEDIATE"));
    for (const char *t : kTables) {
        const QString table = QString::fromLatin1(t);
        const QStringList theirs = columnsOf(from, QStringLiteral("fresh"), table);
        QStringList common;
        for (const QString &c : columnsOf(from, QStringLiteral("main"), table)) {
            if (theirs.contains(c))
                common << c;
        }
        if (common.isEmpty())
            continue;
        const QString cols = common.join(QStringLiteral(", "));
        // REPLACE takes the new file's own identity row away without its delete trigger
        // (SQLite fires none for REPLACE unless recursive triggers are on).
        const QString insert = QStringLiteral(
                                   "INSERT OR %3 INTO fresh.%1 (%2) SELECT %2 FROM main.%1")
                                   .arg(table, cols,
                                        table == ArchiveIdentity::Table ? QStringLiteral("REPLACE")
                                                                        : QStringLiteral("IGNORE"));
        qint64 last = lastId;
        QSqlQuery max(from);
        if (max.exec(QStringLiteral("SELECT max(id) FROM main.%1").arg(table)) && max.next())
            last = std::max(last, max.value(0).toLongLong());
        for (qint64 lo = 0; lo < last; lo += kRange)
            copyRange(from, insert, lo, std::min(last, lo + kRange));
    }
    run(from, QStringLiteral("COMMIT"));
    qint64 copied = 0;
    QSqlQuery count(from);
    if (count.exec(QStringLiteral("SELECT count(*) FROM fresh.records")) && count.next())
        copied = count.value(0).toLongLong();
    count.finish();
    run(from, QStringLiteral("DETACH DATABASE fresh"));
    run(from, QStringLiteral("PRAGMA foreign_keys = ON"));
    return copied;
}

QString asideName(const QString &path, const QDateTime &at)
{
    return path + QStringLiteral(".damaged-") + at.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

bool moveAside(const QString &path, const QString &aside)
{
    // The write-ahead log of a file deleted under the program goes too: SQLite would play it
    // into the new archive made at the same name.
    bool ok = true;
    for (const char *suffix : {"", "-wal", "-shm"}) {
        const QString side = path + QLatin1String(suffix);
        if (QFile::exists(side))
            ok = QFile::rename(side, aside + QLatin1String(suffix)) && ok;
    }
    SafeFile::syncFolderOf(path);
    return ok;
}

} // namespace ArchiveRebuild
