#pragma once

// What the search dialog asks of an archive: the local one, or later a server's.

#include <vector>

#include <QStringList>

#include "archive/ArchiveRecords.h"

class TArchiveReader
{
public:
    virtual ~TArchiveReader() = default;

    // The hits carry what a list shows (time, model, group, labels, values) ...
    virtual TArchiveSearchResult search(const TArchiveQuery &query) = 0;
    // ... and this fills in the rest for the hits handed on: port, device number, the shown
    // texts and the raw reply.
    virtual bool loadDetails(std::vector<TArchiveHit> &hits, QString *error) = 0;
    // The changes of a result's label, oldest first.
    virtual std::vector<TArchiveLabelEntry> labelHistory(qint64 id, QString *error) = 0;
    // The instrument models the archive holds results of.
    virtual QStringList models() = 0;
};
