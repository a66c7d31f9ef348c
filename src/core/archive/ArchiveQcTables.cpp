#include "archive/ArchiveQcTables.h"

namespace ArchiveQcTables {

QStringList tables()
{
    return {
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
}

QStringList appendOnlyTables()
{
    return {QStringLiteral("qc_evaluations"), QStringLiteral("qc_evaluation_columns"),
            QStringLiteral("qc_holds"), QStringLiteral("qc_actions")};
}

} // namespace ArchiveQcTables
