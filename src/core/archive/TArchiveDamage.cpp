// The archive's trouble with its file: what a failure means, the watch over the file, and the
// new archive made when the file is damaged.

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVariant>

#include "archive/ArchiveFileWatch.h"
#include "archive/ArchiveRebuild.h"
#include "archive/TArchive.h"
#include "archive/TArchiveQuickCheck.h"
#include "archive/TArchiveWriter.h"
#include "text/ChainStrings.h"
#include "text/RecordStrings.h"
#include "text/Strings.h"

namespace {

int sqliteCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code : 1;
}

qint64 firstNumber(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0).toLongLong() : -1;
}

} // namespace

QString TArchive::defaultFolder(const QString &programDir)
{
    // Asking the folder to take a file is the only test that also holds for root and for
    // read-only mounts.
    QTemporaryFile probe(QDir(programDir).filePath(QStringLiteral("reg01-probe-XXXXXX")));
    if (!programDir.isEmpty() && probe.open())
        return QDir(programDir).absolutePath();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/reg01");
}

QString TArchive::statusText() const
{
    QString text = archiveStatusText(m_state, pendingCount(), m_lost, m_aside, m_unrecovered);
    const QString found = m_check.broken ? Str::ChainBroken.arg(m_check.station).arg(m_check.seq)
                          : m_restoredTriggers > 0
                              ? Str::ChainTriggersRestored.arg(m_restoredTriggers)
                              : QString();
    if (found.isEmpty())
        return text;
    // Tampering comes first; a working archive's "в порядке" would belie it.
    if (text.startsWith(Str::ArchiveOk))
        return found + text.mid(Str::ArchiveOk.size());
    return found + QStringLiteral("; ") + text;
}

void TArchive::lookedOver(const TArchiveCheckResult &result)
{
    const bool told = m_check.broken;
    const qint64 seq = m_check.seq;
    m_restoredTriggers += int(result.restored.size());
    if (result.done || result.broken)
        m_check = result;
    // A sound look changes nothing shown; only what it found is news.
    if (!result.restored.isEmpty() || m_check.broken != told || m_check.seq != seq)
        emit stateChanged();
}

ArchiveState TArchive::stateOf(const QSqlError &error) const
{
    ArchiveState state = archiveStateFromSqlite(sqliteCode(error));
    if (state == ArchiveState::Ok) // a failure without SQLite's code
        state = ArchiveState::WriteError;
    // Every copy of the program holds a shared lock of its own on the file; a lock held by
    // any other SQLite client is not another copy.
    if (state == ArchiveState::Busy && !m_fileWatch->otherCopyHolds())
        state = ArchiveState::BusyOther;
    // SQLite reports a write that found no room as an input/output error where the system
    // call that failed was not the write itself (a sync, a file's growth).
    if (state == ArchiveState::WriteError && ArchiveFileWatch::diskFull(m_folder))
        state = ArchiveState::DiskFull;
    return state;
}

void TArchive::fail(const QSqlError &error)
{
    fail(error, stateOf(error));
}

void TArchive::fail(const QSqlError &error, ArchiveState state)
{
    // The file is opened afresh on the next try (a read-only file may have been made writable,
    // a damaged one replaced); a lock only needs waiting for.
    if (state != ArchiveState::Busy && state != ArchiveState::BusyOther)
        disconnectFile();
    m_sinceFailure.start();
    m_retryTimer.start(m_retryInterval);
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    setState(state, text);
}

void TArchive::setWatchInterval(int ms)
{
    m_watchTimer.setInterval(ms);
}

qint64 TArchive::lastRecordId()
{
    const qint64 id = firstNumber(database(), QStringLiteral("SELECT max(id) FROM records"));
    return std::max<qint64>(0, id);
}

void TArchive::startCheck()
{
    if (!m_folder.isEmpty() && m_connected)
        m_quickCheck->start(path());
}

void TArchive::checked(const QString &problem)
{
    if (!problem.isEmpty() && m_connected && !m_rebuilding)
        damaged(ArchiveState::Corrupt, problem);
}

void TArchive::lookAtFile()
{
    if (m_rebuilding || !m_fileWatch->attached())
        return;
    switch (m_fileWatch->look()) {
    case ArchiveFileWatch::Change::None:
        return;
    case ArchiveFileWatch::Change::Gone:
    case ArchiveFileWatch::Change::Replaced:
        damaged(ArchiveState::Gone, path());
        return;
    case ArchiveFileWatch::Change::Truncated:
        damaged(ArchiveState::Truncated, path());
        return;
    }
}

void TArchive::damaged(ArchiveState state, const QString &why)
{
    // Told before anything is done about it: the rebuild may take a while on a large file.
    setState(state, why);
    rebuild();
}

void TArchive::rebuild()
{
    m_rebuilding = true;
    m_watchTimer.stop();
    const QString file = path();
    const QString aside = ArchiveRebuild::asideName(file, QDateTime::currentDateTime());
    const bool there = QFileInfo::exists(file);
    QSqlError error;
    qint64 copied = -1;
    if (ArchiveRebuild::moveAside(file, aside)) {
        // The connection still reaches the old file, wherever it went, even deleted.
        m_writer.reset();
        copied = ArchiveRebuild::copyInto(database(), file, m_known, &error);
    }
    const ArchiveState damage = m_state;
    disconnectFile();
    m_watch.stop(); // it looks at the new file once that is made
    const qint64 known = m_known;
    const int waiting = int(m_pending.size());
    if (copied < 0) {
        // Nothing made anew: the records wait (the journal holds them) and it is tried again.
        m_rebuilding = false;
        m_sinceFailure.start();
        m_retryTimer.start(m_retryInterval);
        setState(damage, error.text());
        return;
    }
    m_aside = there ? aside : Str::ArchiveDeletedName.arg(file);
    if (!connectFile()) {
        m_rebuilding = false;
        m_unrecovered = std::max<qint64>(0, known - copied);
        return;
    }
    // What the journal still holds goes in again; records already in the new file add nothing.
    QSet<QUuid> queued;
    for (const Pending &p : m_pending)
        queued.insert(p.uid);
    if (Resupply) {
        for (auto &[uid, record] : Resupply()) {
            if (!queued.contains(uid))
                m_pending.push_back({uid, std::move(record), true});
        }
    }
    flush(-1);
    m_rebuilding = false;
    // The records the new file holds that the old one did not are those that waited then.
    const qint64 holds = firstNumber(database(), QStringLiteral("SELECT count(*) FROM records"));
    const qint64 written = std::max(0, waiting - int(m_pending.size()));
    m_unrecovered = std::max<qint64>(0, known - (holds - written));
    m_known = std::max(m_known, lastRecordId());
    emit stateChanged();
}
