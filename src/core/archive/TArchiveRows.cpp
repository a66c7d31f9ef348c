// The archive's results as table rows show them: the handle of the result a row holds.

#include <QSqlDatabase>

#include "archive/ArchiveRowMatch.h"
#include "archive/TArchive.h"

QUuid TArchive::findResult(const TArchiveRowKey &key)
{
    if (!key.holdsResult())
        return QUuid();
    // What waits is newer than what the file holds, and a label change handed after it is
    // written after it: its handle links the change as a written one does.
    for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it) {
        const auto *result = std::get_if<TArchiveResult>(&it->record);
        if (result && ArchiveRowMatch::matches(*result, key))
            return it->uid;
    }
    if (!ensureConnected())
        return QUuid();
    QString error;
    return ArchiveRowMatch::find(database(), m_station, key, &error);
}

std::vector<QUuid> TArchive::resultHandles(const std::vector<TArchiveHit> &hits)
{
    if (m_folder.isEmpty() || !ensureConnected())
        return std::vector<QUuid>(hits.size());
    return ArchiveRowMatch::handles(database(), m_station, hits);
}
