#pragma once

// The quality-control step of the archive: the control evaluations (with each judged
// column's value, z-score and rules), the results a rejection held, and the operator's
// actions that released them. Append-only like the records; kept in this file alone, not in
// the records ledger, the hash chain or the server's copy.

#include <QStringList>

namespace ArchiveQcTables {

// The statements of the schema step that adds the tables (their guards come apart).
QStringList tables();
// The tables whose rows are never changed or removed.
QStringList appendOnlyTables();

} // namespace ArchiveQcTables
