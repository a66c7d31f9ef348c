#pragma once

// A query row as an archive hit, for the local archive's search and the server's alike: both
// select the same columns in the same order and read them by the same rules. No column is
// trusted: a missing, empty or absurd one reads as nothing (an integer out of range as 0, a
// time beyond 400 years as unknown, a value that is no number or not-a-number as missing),
// texts keep MaxText characters, a row MaxCells cells, a reply MaxRaw bytes. Values after the
// last one present are dropped: a list shows as many value columns as its results carry.

#include <functional>
#include <vector>

#include <QString>
#include <QVariant>

#include "archive/ArchiveRecords.h"

class QSqlQuery;

namespace HitReading {

constexpr int MaxText = 4096;     // characters kept of a text column
constexpr int MaxRaw = 64 * 1024; // bytes kept of a raw reply
constexpr int MaxCells = 64;      // cells kept of a row

// The columns of a search, in this order; the values from FirstValue on.
enum HitColumn { Id, Station, Seq, AtMs, Model, Group, Label, CurrentLabel, FirstValue };
// The columns of the details, in this order.
enum DetailColumn { Port, Device, DateText, TimeText, Cells, Raw };

// A row's column by its number.
using Row = std::function<QVariant(int column)>;

TArchiveHit hit(const Row &row);
TArchiveHit hit(const QSqlQuery &query);
// The details of a hit's result from a row of them.
void readDetails(const Row &row, TArchiveResult &result);

// One column by the same rules, for the other lists read from a server (label histories).
QString text(const QVariant &v);
int smallInt(const QVariant &v);
QDateTime time(const QVariant &v);

// Fills in each hit's details with query, prepared with the id as its one bound value. A hit
// whose result is gone fails them all, as a failed statement does; describe words that one.
bool loadDetails(QSqlQuery &query, std::vector<TArchiveHit> &hits, QString *error,
                 const std::function<QString(const QSqlQuery &)> &describe);

} // namespace HitReading
