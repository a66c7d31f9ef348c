#pragma once

// The archive: one SQLite file that keeps every accepted result (with the instrument's own
// reply bytes), every label change and every results-file event, and never changes or removes
// what it holds.
//
// A record is written, durably, in the call that hands it over. When the archive cannot take
// it (locked, read-only, damaged, the disk full) the call still returns at once: the record
// waits in memory and is written when the archive works again. A record handed over as
// journaled is already on the disk in the recovery journal, which gives it back at the next
// start: past MaxPending waiting records such a record is only counted as waiting, and one
// left at close is not lost; any other is counted as lost then. Every record carries its own
// id, so handing one over again adds nothing. Nothing here throws or waits longer than the
// short lock time-out. state() and statusText() say how the archive fares; stateChanged()
// tells when that changes.
//
// The archive keeps an eye on its file: deleted or replaced (another device or inode at its
// path), cut shorter, or found damaged by SQLite's quick_check (on a thread of its own, at
// open and daily). It then says so, moves what stands at the path aside under a dated name,
// makes a new archive from what the old file still gives plus what Resupply gives (the
// journal's records), and tells how many records it could not get back.
//
// At opening and after each write, the file is also looked over in the background for
// tampering (TArchiveWatch): a broken hash chain or a trigger that had to be restored is told
// by tampered() and the status line until the program ends.
//
// Lives on one thread, the one that made it (the UI thread).

#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "archive/ArchiveState.h"
#include "archive/CalibrationStore.h"
#include "archive/TArchiveReader.h"
#include "archive/TArchiveWatch.h"

class ArchiveFileWatch;
class DatabaseConnection;
class TArchiveQuickCheck;
class TArchiveWriter;
class Calibration;
class QSqlDatabase;
class QSqlError;

class TArchive : public QObject, public TArchiveReader
{
    Q_OBJECT
public:
    static inline const QString FileName = QStringLiteral("reg01.sqlite");

    using Record = std::variant<TArchiveResult, TArchiveLabelChange, TArchiveFileEvent>;

    explicit TArchive(QObject *parent = nullptr);
    ~TArchive() override;

    // The program's folder when it takes files, else "reg01" in the user's data folder
    // ($XDG_DATA_HOME, ~/.local/share).
    static QString defaultFolder(const QString &programDir);

    // Opens, making it when missing, FileName in the folder. False when the archive cannot be
    // used now; records are accepted all the same.
    bool open(const QString &folder);
    // Writes what waits, then lets the file go. Returns the records that could not be written
    // and are given up; they are counted as lost. Journaled ones left are leftInJournal().
    int close();
    int leftInJournal() const { return m_leftInJournal; }
    QString path() const;

    // Records carry the station they were taken at: the host name unless set otherwise.
    QString station() const { return m_station; }
    void setStation(const QString &station) { m_station = station; }

    // Hands a record over. The result's handle names it in later label changes.
    QUuid appendResult(const TArchiveResult &result);
    void appendLabelChange(const TArchiveLabelChange &change);
    void appendFileEvent(const TArchiveFileEvent &event);
    // Hands over a record under the id it already has (its time filled in by the caller).
    void hand(const QUuid &uid, Record record, bool journaled);
    // The records the recovery journal holds, for an archive made anew.
    std::function<std::vector<std::pair<QUuid, Record>>()> Resupply;

    // Tries the archive again now and writes what waits (the archive also does this by itself
    // every retryInterval while records wait). True when nothing waits any more.
    bool retry();

    ArchiveState state() const { return m_state; }
    QString errorText() const { return m_error; } // SQLite's words for the last failure
    QString statusText() const;
    int pendingCount() const { return int(m_pending.size()) + m_heldBack; }
    qint64 lostCount() const { return m_lost; }
    // The last look over the file for tampering found some.
    bool tampered() const { return m_check.broken || m_restoredTriggers > 0; }
    const TArchiveCheckResult &lastCheck() const { return m_check; }
    // The archive was made anew this session: the damaged file's new name, and the records it
    // had that neither it nor the journal could give back.
    bool rebuilt() const { return !m_aside.isEmpty(); }
    QString asidePath() const { return m_aside; }
    qint64 unrecoveredCount() const { return m_unrecovered; }

    // Compares the file with the one opened; the archive does this before each write and
    // every watchInterval.
    void lookAtFile();
    // Starts quick_check now (the archive starts it at open and then daily).
    void startCheck();
    void setWatchInterval(int ms);

    void setBusyTimeout(int ms) { m_busyTimeout = ms; }
    void setRetryInterval(int ms) { m_retryInterval = ms; }
    void setMaxPending(int count) { m_maxPending = count; }
    static constexpr int MaxPending = 20000; // four weeks of results at one per two minutes

    // The open file's connection for the tables kept beside the records (quality control),
    // written at once rather than queued; an invalid one when the file cannot be used now.
    QSqlDatabase sideTables();

    TArchiveSearchResult search(const TArchiveQuery &query) override;
    bool loadDetails(std::vector<TArchiveHit> &hits, QString *error) override;
    std::vector<TArchiveLabelEntry> labelHistory(qint64 id, QString *error) override;
    QStringList models() override;

    // The handle of this station's result that a table row shows (ArchiveRowMatch), also of
    // one still waiting to be written; null when none matches or the archive cannot be read.
    QUuid findResult(const TArchiveRowKey &key);
    // The handles of the hits' results of this station, in their order (null for others).
    std::vector<QUuid> resultHandles(const std::vector<TArchiveHit> &hits);

    // Calibrations against reference samples on this archive's file (CalibrationStore); -1,
    // nothing or false with the error when the file cannot be reached.
    qint64 acceptCalibration(const QString &model, int column, const Calibration &calibration,
                             const std::vector<CalibrationSample> &samples,
                             const QString &acceptedBy, const QDateTime &at, QString *error);
    std::vector<StoredCalibration> calibrationsInForce(const QString &model, QString *error);
    bool writeCorrection(const QUuid &result, int column, double raw, double corrected,
                         qint64 calibration, QString *error);

signals:
    void stateChanged();

private:
    struct Pending
    {
        QUuid uid;
        Record record;
        bool journaled = false;
    };

    QUuid enqueue(Record record);
    bool connectFile();
    void disconnectFile();
    QSqlDatabase database() const;
    bool ensureConnected();
    // Writes what waits, spending at most budgetMs (-1: no limit) before it leaves the rest
    // to the next turn of the event loop. Needs the writer.
    bool flush(qint64 budgetMs);
    bool writeOne(const Pending &p, QSqlError *error);
    ArchiveState stateOf(const QSqlError &error) const;
    void fail(const QSqlError &error);
    void fail(const QSqlError &error, ArchiveState state);
    void setState(ArchiveState state, const QString &error = QString());
    // The archive's file is not what it was: moved aside, made anew.
    void damaged(ArchiveState state, const QString &why);
    void rebuild();
    void checked(const QString &problem);
    void lookedOver(const TArchiveCheckResult &result); // by m_watch
    qint64 lastRecordId();

    QString m_folder;
    QString m_station;
    std::unique_ptr<DatabaseConnection> m_connection; // while the file is connected
    std::unique_ptr<TArchiveWriter> m_writer;
    bool m_connected = false;
    std::deque<Pending> m_pending;
    int m_heldBack = 0; // journaled records past MaxPending: the next start hands them over
    int m_leftInJournal = 0;
    qint64 m_lost = 0;
    ArchiveState m_state = ArchiveState::Closed;
    QString m_error;
    int m_busyTimeout = 100;
    int m_retryInterval = 5000;
    int m_maxPending = MaxPending;
    QTimer m_retryTimer;
    QElapsedTimer m_sinceFailure; // valid while the last try failed
    std::unique_ptr<ArchiveFileWatch> m_fileWatch;
    TArchiveQuickCheck *m_quickCheck = nullptr;
    TArchiveWatch m_watch;
    TArchiveCheckResult m_check;
    int m_restoredTriggers = 0;
    QTimer m_watchTimer;
    QTimer m_dailyCheck;
    bool m_rebuilding = false;
    qint64 m_known = 0; // the highest record id seen in the file
    QString m_aside;
    qint64 m_unrecovered = 0;
};
