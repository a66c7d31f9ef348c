#include "archive/ArchiveQcTables.h"

namespace ArchiveQcTables {

QStringList tables()
{
    QStringList sql{
        // One row each time the window's control state changes to another verdict or control.
        QStringLiteral("CREATE TABLE qc_evaluations ("
                       "id INTEGER PRIMARY KEY, at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL, "
                       "result_uid BLOB, control_ms INTEGER NOT NULL, material TEXT NOT NULL, "
                       "lot TEXT NOT NULL, "
                       "verdict TEXT NOT NULL CHECK (verdict IN "
                       "('in control', 'warning', 'rejection')))"),
        QStringLiteral("CREATE TABLE qc_evaluation_columns ("
                       "id INTEGER PRIMARY KEY, "
                       "evaluation_id INTEGER NOT NULL REFERENCES qc_evaluations (id), "
                       "col INTEGER NOT NULL, value REAL, z REAL, rules TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE qc_holds ("
                       "id INTEGER PRIMARY KEY, result_uid BLOB NOT NULL, "
                       "evaluation_id INTEGER NOT NULL REFERENCES qc_evaluations (id), "
                       "at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL, "
                       "UNIQUE (result_uid, evaluation_id))"),
        // held_from_ms: the last good control, NULL when there was none.
        QStringLiteral("CREATE TABLE qc_actions ("
                       "id INTEGER PRIMARY KEY, at_ms INTEGER NOT NULL, at_iso TEXT NOT NULL, "
                       "os_user TEXT NOT NULL, comment TEXT NOT NULL CHECK (comment <> ''), "
                       "evaluation_id INTEGER REFERENCES qc_evaluations (id), "
                       "held_from_ms INTEGER, held_to_ms INTEGER NOT NULL)"),
    };
    for (const char *table : {"qc_evaluations", "qc_evaluation_columns", "qc_holds", "qc_actions"}) {
        for (const char *what : {"UPDATE", "DELETE"})
            sql << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_no_%2 BEFORE %3 ON %1 BEGIN "
                                  "SELECT RAISE(ABORT, 'archive records are never changed'); END")
                       .arg(QString::fromLatin1(table), QString::fromLatin1(what).toLower(),
                            QString::fromLatin1(what));
    }
    return sql;
}

} // namespace ArchiveQcTables
