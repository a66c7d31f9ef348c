#pragma once

// How the archive fares, for the status bar. Registration never waits for the archive: in any
// state but Ok, records wait in memory until it works again.

#include <QString>

enum class ArchiveState {
    Closed, // not opened yet
    Ok,
    Busy,     // another copy of the program holds it locked
    ReadOnly, // the file or its folder takes no writes
    Corrupt,  // not an archive, or damaged
    DiskFull,
    WriteError, // another input/output error
    CannotOpen, // the file cannot be opened or made
    TooNew,     // written by a newer version of the program; left as it is
    NoDriver,   // Qt's SQLite driver is not installed
    BusyOther,  // another program (any SQLite client) holds it locked
    Gone,       // the file opened was deleted, or another stands in its place
    Truncated,  // the file opened was cut shorter
};

// SQLite's result code (the primary code in the low byte) as a state.
ArchiveState archiveStateFromSqlite(int code);

// The state, the records waiting and the records lost, as one line for the status bar.
QString archiveStatusText(ArchiveState state, int pending, qint64 lost);
// The same after the archive was made anew from a damaged file, moved aside to `aside`.
QString archiveStatusText(ArchiveState state, int pending, qint64 lost, const QString &aside,
                          qint64 unrecovered);
