#pragma once

// Reading the archive back: the search by label, time and model, a label's history, the
// models present. Every value the caller gives is bound, never spliced into the statement.

#include <vector>

#include <QSqlDatabase>
#include <QStringList>

#include "archive/ArchiveRecords.h"

namespace ArchiveSearch {

// Hits carry what a list of results shows: the time, model, group, labels and values.
TArchiveSearchResult search(const QSqlDatabase &db, const TArchiveQuery &query);
// The rest of each hit's result: port, device number, the shown texts and the raw reply.
bool loadDetails(const QSqlDatabase &db, std::vector<TArchiveHit> &hits, QString *error);
std::vector<TArchiveLabelEntry> labelHistory(const QSqlDatabase &db, qint64 id, QString *error);
QStringList models(const QSqlDatabase &db);

// A label part as one quoted phrase of the trigram index: any character stands for itself.
QString ftsPhrase(const QString &folded);

} // namespace ArchiveSearch
