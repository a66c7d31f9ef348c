#include "archive/ArchiveSchema.h"

#include <algorithm>

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "archive/ArchiveIdentity.h"
#include "archive/ArchiveQcTables.h"
#include "archive/ArchiveRecords.h"
#include "archive/CalibrationStore.h"
#include "archive/TArchiveChain.h"
#include "reception/ReceptionStore.h"

namespace {

bool run(QSqlQuery &q, const QString &sql, QSqlError *error)
{
    if (q.exec(sql))
        return true;
    *error = q.lastError();
    return false;
}

const char *const AppendOnlyTables[] = {"records",     "results",     "label_changes",
                                        "file_events", "label_texts", "record_chain",
                                        "result_marks"};

// Triggers that refuse to change or remove a row: a correction is a new record.
QString appendOnlyTrigger(const QString &table, const char *what)
{
    return QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_no_%2 BEFORE %3 ON %1 BEGIN "
                          "SELECT RAISE(ABORT, 'archive records are never changed'); END")
        .arg(table, QString::fromLatin1(what).toLower(), QString::fromLatin1(what));
}

QStringList appendOnly(const QString &table)
{
    return {appendOnlyTrigger(table, "UPDATE"), appendOnlyTrigger(table, "DELETE")};
}

const QString LabelIndexTrigger = QStringLiteral(
    "CREATE TRIGGER IF NOT EXISTS label_texts_index AFTER INSERT ON label_texts BEGIN "
    "INSERT INTO label_fts (rowid, folded) VALUES (new.id, new.folded); END");

QStringList version1()
{
    QString values;
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        values += QStringLiteral(", v%1 REAL").arg(k);
    QStringList sql = {
        // The ledger: one row per record of any kind, numbered per station in writing order.
        QStringLiteral("CREATE TABLE records ("
                       "id INTEGER PRIMARY KEY, station TEXT NOT NULL, seq INTEGER NOT NULL, "
                       "uid BLOB NOT NULL UNIQUE, "
                       "kind TEXT NOT NULL CHECK (kind IN ('result', 'label', 'file')), "
                       "UNIQUE (station, seq))"),
        QStringLiteral("CREATE TABLE results ("
                       "id INTEGER PRIMARY KEY REFERENCES records (id), "
                       "at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL, "
                       "model TEXT NOT NULL, port TEXT NOT NULL, device INTEGER NOT NULL, "
                       "date_text TEXT NOT NULL, time_text TEXT NOT NULL, grp INTEGER NOT NULL, "
                       "label TEXT NOT NULL, cells TEXT NOT NULL, raw BLOB NOT NULL")
            + values + QLatin1Char(')'),
        QStringLiteral("CREATE INDEX results_at ON results (at_ms)"),
        QStringLiteral("CREATE INDEX results_model_at ON results (model, at_ms)"),
        QStringLiteral("CREATE TABLE label_changes ("
                       "id INTEGER PRIMARY KEY REFERENCES records (id), "
                       "at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL, "
                       "result_id INTEGER REFERENCES results (id), row_no INTEGER NOT NULL, "
                       "old_text TEXT NOT NULL, new_text TEXT NOT NULL, "
                       "os_user TEXT NOT NULL, file_name TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX label_changes_result ON label_changes (result_id, id)"),
        QStringLiteral("CREATE TABLE file_events ("
                       "id INTEGER PRIMARY KEY REFERENCES records (id), "
                       "at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL, "
                       "event TEXT NOT NULL CHECK (event IN ('open', 'save', 'save as', 'new')), "
                       "file_name TEXT NOT NULL, row_count INTEGER NOT NULL)"),
    };
    for (const char *table : {"records", "results", "label_changes", "file_events"})
        sql += appendOnly(QString::fromLatin1(table));
    return sql;
}

QStringList version2()
{
    QStringList sql = {
        QStringLiteral("CREATE TABLE label_texts ("
                       "id INTEGER PRIMARY KEY, "
                       "result_id INTEGER NOT NULL REFERENCES results (id), "
                       "folded TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX label_texts_result ON label_texts (result_id)"),
        // Trigrams answer a substring of three or more characters from the index.
        QStringLiteral("CREATE VIRTUAL TABLE label_fts USING fts5 (folded, "
                       "content = 'label_texts', content_rowid = 'id', tokenize = 'trigram')"),
        LabelIndexTrigger,
    };
    return sql + appendOnly(QStringLiteral("label_texts"));
}

QStringList version3()
{
    // Each record's place in its station's chain; a table of its own, so the records the file
    // holds already stay as they are.
    return QStringList{QStringLiteral("CREATE TABLE record_chain ("
                                      "id INTEGER PRIMARY KEY REFERENCES records (id), "
                                      "prev BLOB NOT NULL, hash BLOB NOT NULL)")}
           + appendOnly(QStringLiteral("record_chain"));
}

QStringList version4()
{
    return QStringList{
               // Which values of a result had a limit, and which of those were outside it,
               // bit k for value k; a result that came without limits has no row.
               QStringLiteral("CREATE TABLE result_marks ("
                              "id INTEGER PRIMARY KEY REFERENCES results (id), "
                              "checked INTEGER NOT NULL, outside INTEGER NOT NULL)"),
               // The views' names by family, as the windows last gave them (ArchiveViews).
               QStringLiteral("CREATE TABLE archive_views (id INTEGER PRIMARY KEY, "
                              "name TEXT NOT NULL UNIQUE, models TEXT NOT NULL, "
                              "titles TEXT NOT NULL)"),
               // A row of a results file finds its result by the time it shows.
               QStringLiteral("CREATE INDEX results_shown ON results (time_text, date_text)"),
           }
           + appendOnly(QStringLiteral("result_marks"));
}

// The chain over the records a file holds already, per station in the order of their numbers.
bool fillChain(const QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery read(db);
    read.setForwardOnly(true);
    QSqlQuery write(db);
    if (!write.prepare(QStringLiteral("INSERT INTO record_chain (id, prev, hash) "
                                      "VALUES (?, ?, ?)"))) {
        *error = write.lastError();
        return false;
    }
    if (!run(read, TArchiveChain::selectSql(QStringLiteral("ORDER BY r.station, r.seq"), false),
             error))
        return false;
    QString station;
    QByteArray prev;
    while (read.next()) {
        const std::vector<QVariant> fields = TArchiveChain::rowFields(read, 1);
        if (fields[0].toString() != station || prev.isEmpty()) {
            station = fields[0].toString();
            prev = TArchiveChain::start();
        }
        const QByteArray hash = TArchiveChain::hash(prev, fields);
        write.addBindValue(read.value(0));
        write.addBindValue(prev);
        write.addBindValue(hash);
        if (!write.exec()) {
            *error = write.lastError();
            return false;
        }
        prev = hash;
    }
    return true;
}

// The labels archived before the search existed.
bool fillLabelTexts(const QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery read(db);
    read.setForwardOnly(true);
    QSqlQuery write(db);
    if (!write.prepare(
            QStringLiteral("INSERT INTO label_texts (result_id, folded) VALUES (?, ?)"))) {
        *error = write.lastError();
        return false;
    }
    for (const char *sql : {"SELECT id, label FROM results WHERE label <> '' ORDER BY id",
                            "SELECT result_id, new_text FROM label_changes "
                            "WHERE result_id IS NOT NULL AND new_text <> '' ORDER BY id"}) {
        if (!run(read, QString::fromLatin1(sql), error))
            return false;
        while (read.next()) {
            write.addBindValue(read.value(0));
            write.addBindValue(ArchiveSchema::foldLabel(read.value(1).toString()));
            if (!write.exec()) {
                *error = write.lastError();
                return false;
            }
        }
    }
    return true;
}

// The step that gives the file its identity (ArchiveIdentity).
constexpr int IdentityStep = 5;
// The step that adds the quality-control records (ArchiveQcTables).
constexpr int QcStep = 6;
// The step that adds the calibrations against reference samples (CalibrationStore).
constexpr int CalibrationStep = 7;
// The step that adds milk reception: suppliers, rate tables, deliveries (ReceptionStore).
constexpr int ReceptionStep = 8;

QStringList guards(const QStringList &tables)
{
    QStringList sql;
    for (const QString &table : tables)
        sql += appendOnly(table);
    return sql;
}

QStringList stepTables(int to)
{
    switch (to) {
    case 1:
        return version1();
    case 2:
        return version2();
    case 3:
        return version3();
    case 4:
        return version4();
    case IdentityStep:
        return ArchiveIdentity::tables();
    case QcStep:
        return ArchiveQcTables::tables() + guards(ArchiveQcTables::appendOnlyTables());
    case CalibrationStep:
        return CalibrationStore::tables() + guards(CalibrationStore::appendOnlyTables());
    case ReceptionStep:
        return ReceptionStore::tables() + guards(ReceptionStore::appendOnlyTables());
    }
    return {};
}

bool step(const QSqlDatabase &db, int to, QSqlError *error)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    // Another copy of the program may have taken this step while this one waited for the lock.
    const int now = ArchiveSchema::version(db, error);
    if (now < 0 || now >= to) {
        q.exec(QString::fromLatin1(now < 0 ? "ROLLBACK" : "COMMIT"));
        return now >= 0;
    }
    const QStringList sql = stepTables(to);
    bool ok = true;
    for (const QString &s : sql) {
        if (!(ok = run(q, s, error)))
            break;
    }
    if (ok && to == 2)
        ok = fillLabelTexts(db, error);
    if (ok && to == 3)
        ok = fillChain(db, error);
    if (ok && to == IdentityStep)
        ok = ArchiveIdentity::make(db, error);
    if (ok)
        ok = run(q, QStringLiteral("PRAGMA user_version = %1").arg(to), error)
             && run(q, QStringLiteral("COMMIT"), error);
    if (!ok)
        q.exec(QStringLiteral("ROLLBACK"));
    return ok;
}

} // namespace

namespace ArchiveSchema {

int version(const QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("PRAGMA user_version"), error) || !q.next()) {
        if (!q.lastError().isValid())
            *error = QSqlError(QStringLiteral("no user_version"), QString(),
                               QSqlError::StatementError, QStringLiteral("1"));
        return -1;
    }
    return q.value(0).toInt();
}

bool migrate(const QSqlDatabase &db, int target, QSqlError *error)
{
    const int from = version(db, error);
    if (from < 0)
        return false;
    for (int v = from + 1; v <= std::min(target, Version); ++v) {
        if (!step(db, v, error))
            return false;
    }
    return true;
}

std::vector<std::pair<QString, QString>> guardTriggers()
{
    std::vector<std::pair<QString, QString>> out;
    for (const char *table : AppendOnlyTables) {
        for (const char *what : {"UPDATE", "DELETE"}) {
            out.emplace_back(QStringLiteral("%1_no_%2")
                                 .arg(QString::fromLatin1(table),
                                      QString::fromLatin1(what).toLower()),
                             appendOnlyTrigger(QString::fromLatin1(table), what));
        }
    }
    for (const QString &table : ArchiveQcTables::appendOnlyTables()
                                    + CalibrationStore::appendOnlyTables()
                                    + ReceptionStore::appendOnlyTables()) {
        for (const char *what : {"UPDATE", "DELETE"})
            out.emplace_back(QStringLiteral("%1_no_%2")
                                 .arg(table, QString::fromLatin1(what).toLower()),
                             appendOnlyTrigger(table, what));
    }
    out.emplace_back(QStringLiteral("label_texts_index"), LabelIndexTrigger);
    return out;
}

QString foldLabel(const QString &label)
{
    return label.toCaseFolded();
}

QString valueColumns()
{
    QStringList names;
    for (int k = 0; k < ArchiveLimits::ValueCount; ++k)
        names << QStringLiteral("v%1").arg(k);
    return names.join(QStringLiteral(", "));
}

} // namespace ArchiveSchema
