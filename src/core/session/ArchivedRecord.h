#pragma once

// An archive record as the recovery journal keeps it until the archive has it: its id and the
// record itself, every field, so that the archive gets from the journal what it would have got
// from the window.

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QUuid>

#include "archive/TArchive.h"

namespace ArchivedRecord {

struct Entry
{
    QUuid uid;
    TArchive::Record record;
};

QByteArray encode(const QUuid &uid, const TArchive::Record &record);
// Nothing when the bytes are not a record this program wrote.
std::optional<Entry> decode(QByteArrayView bytes);

} // namespace ArchivedRecord
