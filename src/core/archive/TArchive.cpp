#include "archive/TArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryFile>
#include <QVariant>

#include "archive/ArchiveFileWatch.h"
#include "archive/ArchiveSchema.h"
#include "archive/ArchiveSearch.h"
#include "archive/DatabaseConnection.h"
#include "archive/TArchiveQuickCheck.h"
#include "archive/TArchiveWriter.h"

namespace {

const QString kDriver = QStringLiteral("QSQLITE");
// Records written in one transaction while a backlog drains, and the time one call may spend
// on the backlog before it lets the UI thread go on.
constexpr int kChunk = 256;
constexpr qint64 kDrainBudgetMs = 20;
constexpr int kWatchMs = 2000;
constexpr int kDailyMs = 24 * 60 * 60 * 1000;

int sqliteCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code : 1;
}

// Failures that belong to one record rather than to the archive: such a record is given up
// so that it cannot hold back the records behind it.
bool recordFault(const QSqlError &error)
{
    switch (sqliteCode(error) & 0xff) {
    case 18: // SQLITE_TOOBIG
    case 19: // SQLITE_CONSTRAINT
    case 20: // SQLITE_MISMATCH
    case 25: // SQLITE_RANGE
        return true;
    default:
        return false;
    }
}

bool runPragma(QSqlDatabase &db, const QString &sql, QSqlError *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    *error = q.lastError();
    return false;
}

} // namespace

TArchive::TArchive(QObject *parent)
    : QObject(parent)
    , m_station(QSysInfo::machineHostName())
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &TArchive::retry);
    m_fileWatch = std::make_unique<ArchiveFileWatch>();
    m_quickCheck = new TArchiveQuickCheck(this);
    connect(m_quickCheck, &TArchiveQuickCheck::finished, this, &TArchive::checked);
    m_watchTimer.setInterval(kWatchMs);
    connect(&m_watchTimer, &QTimer::timeout, this, &TArchive::lookAtFile);
    m_dailyCheck.setInterval(kDailyMs);
    connect(&m_dailyCheck, &QTimer::timeout, this, &TArchive::startCheck);
    connect(&m_watch, &TArchiveWatch::checked, this, &TArchive::lookedOver);
}

TArchive::~TArchive()
{
    // The owner may be half gone already: it hears nothing more from here.
    blockSignals(true);
    close();
}

QString TArchive::path() const
{
    return m_folder.isEmpty() ? QString() : QDir(m_folder).filePath(FileName);
}

bool TArchive::open(const QString &folder)
{
    close();
    m_folder = folder;
    m_lost = 0;
    m_leftInJournal = 0;
    m_known = 0;
    m_aside.clear();
    m_unrecovered = 0;
    m_check = {};
    m_restoredTriggers = 0;
    const bool ok = retry() && m_state == ArchiveState::Ok;
    startCheck();
    m_dailyCheck.start();
    return ok;
}

int TArchive::close()
{
    m_retryTimer.stop();
    if (!m_pending.empty() && m_writer)
        flush(-1);
    m_retryTimer.stop();
    m_watchTimer.stop();
    m_dailyCheck.stop();
    int given = 0;
    m_leftInJournal = m_heldBack;
    for (const Pending &p : m_pending)
        ++(p.journaled ? m_leftInJournal : given);
    m_lost += given;
    m_pending.clear();
    m_heldBack = 0;
    m_watch.stop();
    disconnectFile();
    m_folder.clear();
    m_sinceFailure.invalidate();
    if (m_state != ArchiveState::Closed || given > 0)
        setState(ArchiveState::Closed);
    return given;
}

void TArchive::setState(ArchiveState state, const QString &error)
{
    m_state = state;
    m_error = error;
    emit stateChanged();
}

QSqlDatabase TArchive::database() const
{
    return m_connection ? m_connection->database() : QSqlDatabase();
}

bool TArchive::connectFile()
{
    if (m_folder.isEmpty()) {
        setState(ArchiveState::Closed);
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        setState(ArchiveState::NoDriver);
        return false;
    }
    QDir().mkpath(m_folder);
    m_connection = std::make_unique<DatabaseConnection>(kDriver, QStringLiteral("reg01-archive"));
    QSqlError error;
    {
        QSqlDatabase db = m_connection->database();
        db.setDatabaseName(path());
        // Another copy of the program writing at the same moment is waited for this long; a
        // copy that holds the lock longer makes the records wait in memory.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout));
        if (!db.open()) {
            error = db.lastError();
        } else {
            m_fileWatch->attach(path());
            int version = -1;
            const bool ok = runPragma(db, QStringLiteral("PRAGMA foreign_keys = ON"), &error)
                            && runPragma(db, QStringLiteral("PRAGMA cache_size = -65536"), &error)
                            && (version = ArchiveSchema::version(db, &error)) >= 0 &&
                            // A newer program's archive is read, never written.
                            (version > ArchiveSchema::Version
                             || (runPragma(db, QStringLiteral("PRAGMA journal_mode = WAL"), &error)
                                 && runPragma(db, QStringLiteral("PRAGMA synchronous = FULL"),
                                              &error)
                                 && ArchiveSchema::migrate(db, ArchiveSchema::Version, &error)));
            if (ok && version > ArchiveSchema::Version) {
                m_connected = true;
                m_sinceFailure.start(); // looked at again later, like any trouble
                m_retryTimer.start(m_retryInterval);
                setState(ArchiveState::TooNew);
                return false;
            }
            if (ok) {
                m_writer = std::make_unique<TArchiveWriter>(db);
                if (m_writer->prepare(&error)) {
                    m_connected = true;
                    m_fileWatch->attach(path()); // the file as made and stepped up
                    m_known = std::max(m_known, lastRecordId());
                    m_watchTimer.start();
                    if (!m_watch.running())
                        m_watch.start(path());
                    return true;
                }
                m_writer.reset();
            }
        }
    }
    // A folder that takes no files says so better than "unable to open database file".
    if (archiveStateFromSqlite(sqliteCode(error)) == ArchiveState::CannotOpen
        && !QFileInfo::exists(path())
        && !QTemporaryFile(QDir(m_folder).filePath(QStringLiteral("reg01-probe-XXXXXX"))).open())
        error = QSqlError(error.driverText(), error.databaseText(), error.type(),
                          QStringLiteral("8"));
    // Who holds a lock is asked while the file is still held here.
    const ArchiveState state = stateOf(error);
    disconnectFile();
    fail(error, state);
    return false;
}

void TArchive::disconnectFile()
{
    m_writer.reset();
    m_connected = false;
    if (!m_connection)
        return;
    m_connection.reset();
    m_fileWatch->detach();
    m_watchTimer.stop();
}

bool TArchive::ensureConnected()
{
    return m_connected || connectFile() || m_connected;
}

QUuid TArchive::enqueue(Record record)
{
    const QUuid uid = QUuid::createUuid();
    hand(uid, std::move(record), false);
    return uid;
}

void TArchive::hand(const QUuid &uid, Record record, bool journaled)
{
    if (int(m_pending.size()) >= m_maxPending) {
        if (journaled)
            ++m_heldBack;
        else
            ++m_lost;
        emit stateChanged();
        return;
    }
    m_pending.push_back({uid, std::move(record), journaled});
    // After a failure the archive is left alone until the retry interval has passed: a poller
    // waiting for its result handler must not wait for a lock time-out on every result.
    const bool resting = m_sinceFailure.isValid() && m_sinceFailure.elapsed() < m_retryInterval;
    if (m_folder.isEmpty() || resting)
        emit stateChanged();
    else
        retry();
}

QUuid TArchive::appendResult(const TArchiveResult &result)
{
    TArchiveResult r = result;
    if (!r.at.isValid())
        r.at = QDateTime::currentDateTime();
    return enqueue(std::move(r));
}

void TArchive::appendLabelChange(const TArchiveLabelChange &change)
{
    TArchiveLabelChange c = change;
    if (!c.at.isValid())
        c.at = QDateTime::currentDateTime();
    enqueue(std::move(c));
}

void TArchive::appendFileEvent(const TArchiveFileEvent &event)
{
    TArchiveFileEvent e = event;
    if (!e.at.isValid())
        e.at = QDateTime::currentDateTime();
    enqueue(std::move(e));
}

bool TArchive::retry()
{
    m_retryTimer.stop();
    m_sinceFailure.invalidate();
    if (m_folder.isEmpty())
        return m_pending.empty();
    if (!m_writer) {
        disconnectFile(); // a connection kept for the search only
        if (!connectFile())
            return m_pending.empty();
    }
    return flush(kDrainBudgetMs);
}

bool TArchive::writeOne(const Pending &p, QSqlError *error)
{
    if (const auto *r = std::get_if<TArchiveResult>(&p.record))
        return m_writer->writeResult(m_station, p.uid, *r, error);
    if (const auto *c = std::get_if<TArchiveLabelChange>(&p.record))
        return m_writer->writeLabelChange(m_station, p.uid, *c, error);
    const auto &event = std::get<TArchiveFileEvent>(p.record);
    return m_writer->writeFileEvent(m_station, p.uid, event, error);
}

bool TArchive::flush(qint64 budgetMs)
{
    QElapsedTimer spent;
    spent.start();
    // Never a write into a file deleted or cut under the archive.
    if (!m_pending.empty() && !m_rebuilding) {
        lookAtFile();
        if (!m_writer)
            return false;
    }
    while (!m_pending.empty()) {
        if (budgetMs >= 0 && spent.elapsed() > budgetMs) { // the rest on the next turn
            m_retryTimer.start(0);
            emit stateChanged();
            return false;
        }
        QSqlError error;
        if (!m_writer->begin(&error)) {
            fail(error);
            return false;
        }
        const size_t count = std::min<size_t>(m_pending.size(), kChunk);
        size_t done = 0;
        for (; done < count; ++done) {
            if (!writeOne(m_pending[done], &error))
                break;
        }
        if (done < count) {
            m_writer->rollback();
            if (!recordFault(error)) {
                fail(error);
                return false;
            }
            // The others are written again with the next chunk; this one never would be.
            m_pending.erase(m_pending.begin() + qsizetype(done));
            ++m_lost;
            continue;
        }
        if (!m_writer->commit(&error)) {
            fail(error);
            return false;
        }
        m_pending.erase(m_pending.begin(), m_pending.begin() + qsizetype(count));
        m_known = std::max(m_known, lastRecordId());
        m_watch.request();
    }
    if (m_state != ArchiveState::Ok || !m_error.isEmpty())
        setState(ArchiveState::Ok);
    else
        emit stateChanged();
    return true;
}

QSqlDatabase TArchive::sideTables()
{
    if (m_state != ArchiveState::Ok || !ensureConnected())
        return QSqlDatabase();
    return database();
}

TArchiveSearchResult TArchive::search(const TArchiveQuery &query)
{
    if (!ensureConnected()) {
        TArchiveSearchResult out;
        out.ok = false;
        out.error = m_error.isEmpty() ? statusText() : m_error;
        return out;
    }
    return ArchiveSearch::search(database(), query);
}

bool TArchive::loadDetails(std::vector<TArchiveHit> &hits, QString *error)
{
    if (!ensureConnected()) {
        *error = m_error.isEmpty() ? statusText() : m_error;
        return false;
    }
    return ArchiveSearch::loadDetails(database(), hits, error);
}

std::vector<TArchiveLabelEntry> TArchive::labelHistory(qint64 id, QString *error)
{
    if (!ensureConnected()) {
        *error = m_error.isEmpty() ? statusText() : m_error;
        return {};
    }
    return ArchiveSearch::labelHistory(database(), id, error);
}

QStringList TArchive::models()
{
    return ensureConnected() ? ArchiveSearch::models(database()) : QStringList();
}
