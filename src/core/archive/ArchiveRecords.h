#pragma once

// What the archive keeps, and what its search hands back. Plain data.
//
// Every record gets a key that stays the same wherever the record travels: the station (the
// computer's host name) and the station's own running number, counted over all three kinds of
// record in the order they were written.

#include <optional>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUuid>

namespace ArchiveLimits {
constexpr int ValueCount = 27; // the most values one result carries (the second family)
} // namespace ArchiveLimits

// One accepted result, as the instrument gave it and as the table showed it.
struct TArchiveResult
{
    QString model; // the instrument as chosen at start, e.g. "Мирел-2"
    QString port;
    int deviceNumber = 0;
    QDateTime at;     // when the result was taken
    QString dateText; // the date and time as the table shows them
    QString timeText;
    int group = 0; // the group number (first family) or the count (second)
    // Value k as the reply carried it; empty where the reply did not carry it. A value that is
    // not a number is kept as empty too: the raw reply and the shown text still hold it.
    std::vector<std::optional<double>> values;
    QString label;     // the sample label the row held when the result came
    QStringList cells; // the row's cells from column 1 (the label) on, as shown
    QByteArray raw;    // the instrument's reply bytes
    // Bit k: value k had a limit in force when the result came / it was outside that limit.
    // Both zero when the window had no limits.
    quint32 limitsChecked = 0;
    quint32 limitsOutside = 0;
};

// The operator changed the label of a row.
struct TArchiveLabelChange
{
    // The handle TArchive::appendResult gave the result the row holds; null for the open row,
    // which holds no result yet.
    QUuid result;
    int row = 0; // the table's row number
    QString oldText;
    QString newText;
    QDateTime at;
    QString fileName; // the results file the table belongs to
    QString osUser;   // empty: the user running the program
};

// What a result row shows, to find its archived result by when the row came from a file:
// the window's instrument, the date and time texts and the cells after the label, as shown.
struct TArchiveRowKey
{
    QString model;
    QString dateText;
    QString timeText;
    QStringList cells; // from the column after the label on
    // The open row and rows without a date or time hold no result.
    bool holdsResult() const { return !dateText.isEmpty() && !timeText.isEmpty(); }
};

// The table was opened from, saved to or started as a results file.
struct TArchiveFileEvent
{
    enum Kind { Open, Save, SaveAs, New };
    Kind kind = Open;
    QString fileName;
    int rowCount = 0; // result rows in the table, the open row not counted
    QDateTime at;
};

struct TArchiveQuery
{
    QString label;    // a part of the label, any case; empty: any label
    QDateTime from;   // results taken at or after; invalid: no lower bound
    QDateTime to;     // results taken before; invalid: no upper bound
    QString model;    // empty: any instrument
    int limit = 1000; // the newest this many; the search says when there were more
};

struct TArchiveHit
{
    qint64 id = 0; // the local handle, for the label history and the details
    QString station;
    qint64 seq = 0;
    // result.label is the label it was archived with. A search fills the time, model, group,
    // label and values; loadDetails the port, device number, shown texts and raw reply.
    TArchiveResult result;
    QString label;       // the label as it stands now
    bool edited = false; // the label was changed after the result came
    // The cells as a table row shows them today: the current label first.
    QStringList rowCells() const
    {
        QStringList cells = result.cells;
        if (cells.isEmpty())
            cells.append(label);
        else
            cells[0] = label;
        return cells;
    }
};

struct TArchiveSearchResult
{
    std::vector<TArchiveHit> hits; // the newest first
    bool truncated = false;        // more results matched than the limit
    bool ok = true;
    QString error;
};

struct TArchiveLabelEntry
{
    QDateTime at;
    int row = 0;
    QString oldText;
    QString newText;
    QString osUser;
    QString fileName;
};
