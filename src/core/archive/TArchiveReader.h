#pragma once

// What the search dialog asks of an archive: the local one, or later a server's.

#include <vector>

#include <QStringList>

#include "archive/ArchiveRecords.h"

class TArchiveReader
{
public:
    virtual ~TArchiveReader() = default;

    virtual TArchiveSearchResult search(const TArchiveQuery &query) = 0;
    // The changes of a result's label, oldest first.
    virtual std::vector<TArchiveLabelEntry> labelHistory(qint64 id, QString *error) = 0;
    // The instrument models the archive holds results of.
    virtual QStringList models() = 0;
};
