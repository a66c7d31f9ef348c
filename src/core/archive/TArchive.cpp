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

#include "archive/ArchiveSchema.h"
#include "archive/ArchiveSearch.h"
#include "archive/TArchiveWriter.h"
#include "text/ChainStrings.h"
#include "text/Strings.h"

namespace {

const QString kDriver = QStringLiteral("QSQLITE");
// Records written in one transaction while a backlog drains, and the time one call may spend
// on the backlog before it lets the UI thread go on.
constexpr int kChunk = 256;
constexpr qint64 kDrainBudgetMs = 20;

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
    connect(&m_watch, &TArchiveWatch::checked, this, [this](const TArchiveCheckResult &r) {
        m_restoredTriggers += int(r.restored.size());
        if (r.done || r.broken)
            m_check = r;
        emit stateChanged();
    });
}

TArchive::~TArchive()
{
    // The owner may be half gone already: it hears nothing more from here.
    blockSignals(true);
    close();
}

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

QString TArchive::path() const
{
    return m_folder.isEmpty() ? QString() : QDir(m_folder).filePath(FileName);
}

bool TArchive::open(const QString &folder)
{
    close();
    m_folder = folder;
    m_lost = 0;
    m_check = {};
    m_restoredTriggers = 0;
    return retry() && m_state == ArchiveState::Ok;
}

int TArchive::close()
{
    m_retryTimer.stop();
    if (!m_pending.empty() && m_writer)
        flush(-1);
    m_retryTimer.stop();
    const int given = int(m_pending.size());
    m_lost += given;
    m_pending.clear();
    m_watch.stop();
    disconnectFile();
    m_folder.clear();
    m_sinceFailure.invalidate();
    if (m_state != ArchiveState::Closed || given > 0)
        setState(ArchiveState::Closed);
    return given;
}

QString TArchive::statusText() const
{
    QString text = archiveStatusText(m_state, pendingCount(), m_lost);
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

void TArchive::setState(ArchiveState state, const QString &error)
{
    m_state = state;
    m_error = error;
    emit stateChanged();
}

QSqlDatabase TArchive::database() const
{
    return QSqlDatabase::database(m_connection, false);
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
    static int serial = 0;
    m_connection = QStringLiteral("reg01-archive-%1").arg(++serial);
    QSqlError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(kDriver, m_connection);
        db.setDatabaseName(path());
        // Another copy of the program writing at the same moment is waited for this long; a
        // copy that holds the lock longer makes the records wait in memory.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout));
        if (!db.open()) {
            error = db.lastError();
        } else {
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
                    if (!m_watch.running())
                        m_watch.start(path());
                    return true;
                }
                m_writer.reset();
            }
        }
    }
    disconnectFile();
    // A folder that takes no files says so better than "unable to open database file".
    if (archiveStateFromSqlite(sqliteCode(error)) == ArchiveState::CannotOpen
        && !QFileInfo::exists(path())
        && !QTemporaryFile(QDir(m_folder).filePath(QStringLiteral("reg01-probe-XXXXXX"))).open())
        error = QSqlError(error.driverText(), error.databaseText(), error.type(),
                          QStringLiteral("8"));
    fail(error);
    return false;
}

void TArchive::disconnectFile()
{
    m_writer.reset();
    m_connected = false;
    if (m_connection.isEmpty())
        return;
    database().close();
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}

bool TArchive::ensureConnected()
{
    return m_connected || connectFile() || m_connected;
}

void TArchive::fail(const QSqlError &error)
{
    ArchiveState state = archiveStateFromSqlite(sqliteCode(error));
    if (state == ArchiveState::Ok) // a failure without SQLite's code
        state = ArchiveState::WriteError;
    // The file is opened afresh on the next try (a read-only file may have been made writable,
    // a damaged one replaced); a lock only needs waiting for.
    if (state != ArchiveState::Busy)
        disconnectFile();
    m_sinceFailure.start();
    m_retryTimer.start(m_retryInterval);
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    setState(state, text);
}

QUuid TArchive::enqueue(Record record)
{
    const QUuid uid = QUuid::createUuid();
    if (int(m_pending.size()) >= m_maxPending) {
        ++m_lost;
        emit stateChanged();
        return uid;
    }
    m_pending.push_back({uid, std::move(record)});
    // After a failure the archive is left alone until the retry interval has passed: a poller
    // waiting for its result handler must not wait for a lock time-out on every result.
    const bool resting = m_sinceFailure.isValid() && m_sinceFailure.elapsed() < m_retryInterval;
    if (m_folder.isEmpty() || resting)
        emit stateChanged();
    else
        retry();
    return uid;
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
        m_watch.request();
    }
    if (m_state != ArchiveState::Ok || !m_error.isEmpty())
        setState(ArchiveState::Ok);
    else
        emit stateChanged();
    return true;
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
