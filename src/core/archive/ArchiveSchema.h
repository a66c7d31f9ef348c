#pragma once

// The archive's tables, by version. A file carries its version in SQLite's user_version; each
// step up is one transaction, so a failed step leaves the file at the version before it.
//
// Version 1: the record ledger (station, running number, kind) and one table per kind:
//            results, label changes, results-file events. Nothing is ever updated or deleted:
//            triggers refuse it.
// Version 2: the label search: every label a result has had, case-folded, with a trigram
//            index for substring search.
// Version 3: the tamper evidence: each record's hash, chained per station (TArchiveChain),
//            filled in for the records the file held before.
// Version 4: the limits each result was judged by (which values had one, which were outside),
//            the names of the views per family (ArchiveViews), and an index on the time a
//            result shows.
// Version 5: the file's identity (ArchiveIdentity), made once and kept.
// Version 6: quality control (ArchiveQcTables): control evaluations, held results, the
//            operator's actions.
// Version 7: calibrations against reference samples with their samples, and the values they
//            corrected (CalibrationStore).
// Version 8: milk reception: the supplier register, the rate tables and the deliveries
//            (ReceptionStore).

#include <utility>
#include <vector>

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace ArchiveSchema {

constexpr int Version = 8;

// The version the file carries (0 for a new, empty file); -1 with the error when it cannot be
// read.
int version(const QSqlDatabase &db, QSqlError *error);

// Steps the file up to version `target` (at most Version). False with the error of the step
// that failed.
bool migrate(const QSqlDatabase &db, int target, QSqlError *error);

// The triggers that keep the records as they were written, by name, each with the statement
// that makes it again when it is missing.
std::vector<std::pair<QString, QString>> guardTriggers();

// The form of a label the search compares: case-folded the Unicode way, so "Проба" and
// "ПРОБА" meet (SQLite's own lower() and LIKE fold ASCII letters only).
QString foldLabel(const QString &label);

// "v0, v1, ... v26": the value columns of the results table.
QString valueColumns();

} // namespace ArchiveSchema
