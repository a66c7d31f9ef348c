#pragma once

// The archive search over the server: the results of every station that sends there. What
// the server holds is read as untrusted: any column may be missing, empty, of another type or
// absurdly long, and the reader neither crashes nor hands on more than a row can show.
//
// Uses a connection of its own on the calling thread and waits for the server: the window runs
// it on a thread of its own (TServerSearch), which a guard bounds.

#include <QString>

#include "archive/DatabaseConnection.h"
#include "archive/HitReading.h"
#include "archive/TArchiveReader.h"
#include "server/ConnInfo.h"

class StatementGuard;

class TServerArchiveReader : public TArchiveReader
{
public:
    explicit TServerArchiveReader(const QString &conninfo,
                                  const ConnInfo::Bounds &bounds = ConnInfo::Bounds());
    ~TServerArchiveReader() override;
    TServerArchiveReader(const TServerArchiveReader &) = delete;
    TServerArchiveReader &operator=(const TServerArchiveReader &) = delete;

    // What a hit keeps (HitReading's bounds, the local archive's too).
    static constexpr int MaxText = HitReading::MaxText;
    static constexpr int MaxRaw = HitReading::MaxRaw;
    static constexpr int MaxCells = HitReading::MaxCells;

    TArchiveSearchResult search(const TArchiveQuery &query) override;
    bool loadDetails(std::vector<TArchiveHit> &hits, QString *error) override;
    std::vector<TArchiveLabelEntry> labelHistory(qint64 id, QString *error) override;
    QStringList models() override;

    // The guard learns each connection this reader opens; it must outlive the reader.
    void setGuard(StatementGuard *guard) { m_guard = guard; }

private:
    bool ensureOpen(QString *error);

    QString m_conninfo;
    QString m_refusal;
    DatabaseConnection m_connection{QStringLiteral("QPSQL"), QStringLiteral("server-reader")};
    StatementGuard *m_guard = nullptr;
};
