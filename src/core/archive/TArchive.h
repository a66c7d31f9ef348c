#pragma once

// The archive: one SQLite file that keeps every accepted result (with the instrument's own
// reply bytes), every label change and every results-file event, and never changes or removes
// what it holds.
//
// A record is written, durably, in the call that hands it over, before the caller shows it.
// When the archive cannot take it (locked by another copy, read-only, damaged, the disk full)
// the call still returns at once: the record waits in memory and is written when the archive
// works again; past MaxPending waiting records, further ones are counted as lost. Nothing here
// throws or waits longer than the short lock time-out. state() and statusText() say how the
// archive fares; stateChanged() tells when that changes.
//
// At opening and after each write, the file is looked over in the background for tampering
// (TArchiveWatch): a broken hash chain or a trigger that had to be restored is told by
// tampered() and the status line until the program ends.
//
// Lives on one thread, the one that made it (the UI thread).

#include <deque>
#include <memory>
#include <variant>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "archive/ArchiveState.h"
#include "archive/TArchiveReader.h"
#include "archive/TArchiveWatch.h"

class TArchiveWriter;
class QSqlDatabase;
class QSqlError;

class TArchive : public QObject, public TArchiveReader
{
    Q_OBJECT
public:
    static inline const QString FileName = QStringLiteral("reg01.sqlite");

    explicit TArchive(QObject *parent = nullptr);
    ~TArchive() override;

    // The program's folder when it takes files, else "reg01" in the user's data folder
    // ($XDG_DATA_HOME, ~/.local/share).
    static QString defaultFolder(const QString &programDir);

    // Opens, making it when missing, FileName in the folder. False when the archive cannot be
    // used now; records are accepted all the same.
    bool open(const QString &folder);
    // Writes what waits, then lets the file go. Returns the records that could not be written
    // and are given up; they are counted as lost.
    int close();
    QString path() const;

    // Records carry the station they were taken at: the host name unless set otherwise.
    QString station() const { return m_station; }
    void setStation(const QString &station) { m_station = station; }

    // Hands a record over. The result's handle names it in later label changes.
    QUuid appendResult(const TArchiveResult &result);
    void appendLabelChange(const TArchiveLabelChange &change);
    void appendFileEvent(const TArchiveFileEvent &event);

    // Tries the archive again now and writes what waits (the archive also does this by itself
    // every retryInterval while records wait). True when nothing waits any more.
    bool retry();

    ArchiveState state() const { return m_state; }
    QString errorText() const { return m_error; } // SQLite's words for the last failure
    QString statusText() const;
    int pendingCount() const { return int(m_pending.size()); }
    qint64 lostCount() const { return m_lost; }
    // The last look over the file for tampering found some.
    bool tampered() const { return m_check.broken || m_restoredTriggers > 0; }
    const TArchiveCheckResult &lastCheck() const { return m_check; }

    void setBusyTimeout(int ms) { m_busyTimeout = ms; }
    void setRetryInterval(int ms) { m_retryInterval = ms; }
    void setMaxPending(int count) { m_maxPending = count; }
    static constexpr int MaxPending = 20000; // four weeks of results at one per two minutes

    TArchiveSearchResult search(const TArchiveQuery &query) override;
    bool loadDetails(std::vector<TArchiveHit> &hits, QString *error) override;
    std::vector<TArchiveLabelEntry> labelHistory(qint64 id, QString *error) override;
    QStringList models() override;

signals:
    void stateChanged();

private:
    using Record = std::variant<TArchiveResult, TArchiveLabelChange, TArchiveFileEvent>;
    struct Pending
    {
        QUuid uid;
        Record record;
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
    void fail(const QSqlError &error);
    void setState(ArchiveState state, const QString &error = QString());

    QString m_folder;
    QString m_station;
    QString m_connection;
    std::unique_ptr<TArchiveWriter> m_writer;
    bool m_connected = false;
    std::deque<Pending> m_pending;
    qint64 m_lost = 0;
    ArchiveState m_state = ArchiveState::Closed;
    QString m_error;
    int m_busyTimeout = 100;
    int m_retryInterval = 5000;
    int m_maxPending = MaxPending;
    QTimer m_retryTimer;
    QElapsedTimer m_sinceFailure; // valid while the last try failed
    TArchiveWatch m_watch;
    TArchiveCheckResult m_check;
    int m_restoredTriggers = 0;
};
