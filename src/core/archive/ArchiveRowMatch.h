#pragma once

// Finding the archived result a table row holds when the row's handle is not known (the row
// came from an opened file): by the instrument, the date and time texts and the cells after
// the label, which a result's row keeps as it was archived. The label is left out: it is the
// one cell the operator changes. Of several results that match, the newest wins.
//
// Only results of this station are linked: the server pairs a label change with its result by
// the change's station and the result's number, so a change linked to another station's
// result (one archived here under an earlier station name) would name a wrong one there.

#include <vector>

#include <QSqlDatabase>
#include <QUuid>

#include "archive/ArchiveRecords.h"

namespace ArchiveRowMatch {

// The result shows as the row does.
bool matches(const TArchiveResult &result, const TArchiveRowKey &key);
// The handle (records.uid) of the archived result the row shows; null when none matches or
// the archive cannot be read, with the reason in *error then.
QUuid find(const QSqlDatabase &db, const QString &station, const TArchiveRowKey &key,
           QString *error);
// The handles of the hits' results of this station, by their numbers: null for the others
// and for one the archive does not hold.
std::vector<QUuid> handles(const QSqlDatabase &db, const QString &station,
                           const std::vector<TArchiveHit> &hits);

} // namespace ArchiveRowMatch
