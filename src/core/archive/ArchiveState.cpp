#include "archive/ArchiveState.h"

#include "text/RecordStrings.h"
#include "text/Strings.h"

ArchiveState archiveStateFromSqlite(int code)
{
    switch (code & 0xff) {
    case 0:
        return ArchiveState::Ok;
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return ArchiveState::Busy;
    case 8: // SQLITE_READONLY
    case 3: // SQLITE_PERM
        return ArchiveState::ReadOnly;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return ArchiveState::Corrupt;
    case 13: // SQLITE_FULL
        return ArchiveState::DiskFull;
    case 14: // SQLITE_CANTOPEN
        return ArchiveState::CannotOpen;
    default:
        return ArchiveState::WriteError;
    }
}

QString archiveStatusText(ArchiveState state, int pending, qint64 lost)
{
    QString text;
    switch (state) {
    case ArchiveState::Closed:
        text = Str::ArchiveClosed;
        break;
    case ArchiveState::Ok:
        text = Str::ArchiveOk;
        break;
    case ArchiveState::Busy:
        text = Str::ArchiveBusy;
        break;
    case ArchiveState::ReadOnly:
        text = Str::ArchiveReadOnly;
        break;
    case ArchiveState::Corrupt:
        text = Str::ArchiveCorrupt;
        break;
    case ArchiveState::DiskFull:
        text = Str::ArchiveDiskFull;
        break;
    case ArchiveState::WriteError:
        text = Str::ArchiveWriteError;
        break;
    case ArchiveState::CannotOpen:
        text = Str::ArchiveCannotOpen;
        break;
    case ArchiveState::TooNew:
        text = Str::ArchiveTooNew;
        break;
    case ArchiveState::NoDriver:
        text = Str::ArchiveNoDriver;
        break;
    case ArchiveState::BusyOther:
        text = Str::ArchiveBusyOther;
        break;
    case ArchiveState::Gone:
        text = Str::ArchiveGone;
        break;
    case ArchiveState::Truncated:
        text = Str::ArchiveCut;
        break;
    }
    if (pending > 0)
        text += Str::ArchivePending.arg(pending);
    if (lost > 0)
        text += Str::ArchiveLost.arg(lost);
    return text;
}

QString archiveStatusText(ArchiveState state, int pending, qint64 lost, const QString &aside,
                          qint64 unrecovered)
{
    QString text = archiveStatusText(state, pending, lost);
    if (!aside.isEmpty())
        text += Str::ArchiveRebuilt.arg(aside).arg(unrecovered);
    return text;
}
