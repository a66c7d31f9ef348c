#pragma once

// Looks over an archive file for signs of tampering, through a connection of its own: every
// trigger that keeps the records as written must be there as the program made it (a missing
// or altered one is made again at once), and every station's records must form an unbroken
// hash chain from number 1 on (TArchiveChain). Runs on any thread; one object, one thread.

#include <atomic>
#include <map>

#include <QByteArray>
#include <QElapsedTimer>

#include <QString>
#include <QStringList>

#include "archive/DatabaseConnection.h"

struct TArchiveCheckResult
{
    bool done = false; // the file could be looked at
    QString error;     // why not
    qint64 records = 0;
    // The first record that does not fit its station's chain: changed, missing or unlinked.
    bool broken = false;
    QString station;
    qint64 seq = 0;
    QStringList restored; // the triggers that had to be made again
};

class TArchiveCheck
{
public:
    explicit TArchiveCheck(const QString &path);
    ~TArchiveCheck();
    TArchiveCheck(const TArchiveCheck &) = delete;
    TArchiveCheck &operator=(const TArchiveCheck &) = delete;

    // Restores the triggers, then checks the chain; `stop` set makes it give up early. After a
    // first whole look, a check reads only the records added since the last sound one; the
    // whole file is read again after fullEveryMs, and whenever a trigger had to be restored
    // (with the triggers off, any record may have been changed).
    TArchiveCheckResult run(const std::atomic_bool *stop = nullptr);

private:
    bool restoreTriggers(TArchiveCheckResult &out);
    void checkChain(TArchiveCheckResult &out, const std::atomic_bool *stop);

    QString m_path;
    DatabaseConnection m_connection{QStringLiteral("QSQLITE"), QStringLiteral("archive-check")};
    struct Sound
    {
        qint64 seq = 0;
        QByteArray hash;
    };
    std::map<QString, Sound> m_sound; // per station, the last record found in its chain
    qint64 m_soundId = 0;             // records up to this id were found sound
    qint64 m_soundCount = 0;
    QElapsedTimer m_sinceFull;

public:
    static constexpr qint64 fullEveryMs = 24LL * 3600 * 1000;
};
