#pragma once

// The archive search over the server: the results of every station that sends there. What
// the server holds is read as untrusted: any column may be missing, empty, of another type or
// absurdly long, and the reader neither crashes nor hands on more than a row can show.
//
// Uses a connection of its own on the calling thread; the search waits for the server, as a
// search of the local archive waits for the disk.

#include <QString>

#include "archive/TArchiveReader.h"

class TServerArchiveReader : public TArchiveReader
{
public:
    explicit TServerArchiveReader(const QString &conninfo);
    ~TServerArchiveReader() override;
    TServerArchiveReader(const TServerArchiveReader &) = delete;
    TServerArchiveReader &operator=(const TServerArchiveReader &) = delete;

    static constexpr int MaxText = 4096;     // characters kept of a text column
    static constexpr int MaxRaw = 64 * 1024; // bytes kept of a raw reply
    static constexpr int MaxCells = 64;      // cells kept of a row

    TArchiveSearchResult search(const TArchiveQuery &query) override;
    bool loadDetails(std::vector<TArchiveHit> &hits, QString *error) override;
    std::vector<TArchiveLabelEntry> labelHistory(qint64 id, QString *error) override;
    QStringList models() override;

private:
    bool ensureOpen(QString *error);

    QString m_conninfo;
    QString m_name;
};
