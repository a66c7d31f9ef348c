#pragma once

// Views of the archive a lab manager can query without knowing how it is kept: one per
// instrument family, a row per result with the station, its number there, the time, the
// model, the device number, the label as it stands now and every value under the name of its
// column ("fat", "snf", ...), rounded to the decimals the table shows, each beside whether it
// was within the limits in force when it came ("fat_ok": 1, 0, or NULL where the column had
// no limit or the result came before the program kept this).
//
// The names follow the window's column titles, so the window says them when it opens the
// archive; a view is made again only when they changed. The same views are made on the
// server ("reg01_" before the name, the time as timestamptz) by the replicator, from what the
// window last said here (table archive_views), so both answer the same queries.

#include <vector>

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

struct TArchiveFamily
{
    QString view;       // "tarvo_results"
    QStringList models; // the models whose results it shows
    QStringList titles; // value k's column title
    bool operator==(const TArchiveFamily &o) const = default;
};

namespace ArchiveViews {

TArchiveFamily tarvo();
// The second family's titles come from its settings; with none at all the view keeps the
// names it was last given, or "v0" ... when it never had any.
TArchiveFamily mirel(const QStringList &titles);

// The SELECT each view is made of, locally and on the server.
QString localSelect(const TArchiveFamily &family);
QString serverSelect(const TArchiveFamily &family);

// Records the family in archive_views and makes its view when it is missing or its
// definition changed. The view is a convenience: the caller goes on without it on failure.
bool ensureLocal(const QSqlDatabase &db, const TArchiveFamily &family, QSqlError *error);
// The same through a connection of its own to the archive file at `path`, which waits a
// moment for a busy file; false when the view could not be made now.
bool ensureAt(const QString &path, const TArchiveFamily &family);
// The families the archive's windows have told it about.
std::vector<TArchiveFamily> families(const QSqlDatabase &db);
// Makes the server's view of each family afresh when its definition differs from the one the
// server holds (table reg01_views), in the caller's transaction.
bool ensureServer(const QSqlDatabase &db, const std::vector<TArchiveFamily> &families,
                  bool securityInvoker, QSqlError *error);

} // namespace ArchiveViews
