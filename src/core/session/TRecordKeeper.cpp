#include "session/TRecordKeeper.h"

#include <algorithm>

#include "results/JournalReplay.h"
#include "session/ArchivedRecord.h"
#include "table/TRowStore.h"
#include "table/TableShape.h"

namespace {

QDateTime orNow(const QDateTime &at)
{
    return at.isValid() ? at : QDateTime::currentDateTime();
}

std::vector<ArchivedRecord::Entry> entriesOf(const std::vector<TJournal::Record> &records)
{
    std::vector<ArchivedRecord::Entry> out;
    for (const TJournal::Record &r : records) {
        if (r.type != TJournal::Record::Archived)
            continue;
        if (std::optional<ArchivedRecord::Entry> e = ArchivedRecord::decode(r.line))
            out.push_back(std::move(*e));
    }
    return out;
}

} // namespace

TRecordKeeper::TRecordKeeper(TArchive &archive)
    : m_archive(archive)
{
    m_archive.Resupply = [this] {
        std::vector<std::pair<QUuid, TArchive::Record>> out;
        if (readJournal) {
            for (ArchivedRecord::Entry &e : entriesOf(readJournal()))
                out.emplace_back(e.uid, std::move(e.record));
        }
        return out;
    };
}

TArchiveResult TRecordKeeper::resultOf(const TDecodedResult &decoded, const QDateTime &at,
                                       const QByteArray &line, int colCount)
{
    TRowStore row(colCount);
    row.AppendLine(line);
    TArchiveResult r;
    r.at = at;
    r.dateText = row.Cell(TableShape::DateCol, 0);
    r.timeText = row.Cell(TableShape::TimeCol, 0);
    r.group = decoded.group;
    r.values = decoded.values;
    r.raw = decoded.raw;
    r.label = row.Cell(TableShape::LabelCol, 0);
    for (int c = TableShape::LabelCol; c < colCount; ++c)
        r.cells << row.Cell(c, 0);
    return r;
}

bool TRecordKeeper::journal(const QUuid &uid, const TArchive::Record &record, int row,
                            const QByteArray &line)
{
    std::vector<TJournal::Record> records;
    if (!uid.isNull()) {
        TJournal::Record r;
        r.type = TJournal::Record::Archived;
        r.row = std::max(0, row);
        r.line = ArchivedRecord::encode(uid, record);
        records.push_back(std::move(r));
    }
    return writeJournal && writeJournal(records, row, line);
}

QUuid TRecordKeeper::result(TArchiveResult result, int row, const QByteArray &line)
{
    if (m_archive.state() == ArchiveState::Closed) {
        journal(QUuid(), TArchive::Record(), row, line);
        return QUuid();
    }
    result.at = orNow(result.at);
    const QUuid uid = QUuid::createUuid();
    TArchive::Record record(std::move(result));
    const bool journaled = journal(uid, record, row, line);
    m_archive.hand(uid, std::move(record), journaled);
    noteRow(row, uid);
    return uid;
}

void TRecordKeeper::labelChange(TArchiveLabelChange change, int row, const QByteArray &line,
                                const TArchiveRowKey &shown)
{
    if (m_archive.state() == ArchiveState::Closed) {
        journal(QUuid(), TArchive::Record(), row, line);
        return;
    }
    change.at = orNow(change.at);
    change.result = rowResult(change.row);
    if (change.result.isNull() && shown.holdsResult()) {
        change.result = m_archive.findResult(shown);
        if (!change.result.isNull())
            noteRow(change.row, change.result);
    }
    const QUuid uid = QUuid::createUuid();
    TArchive::Record record(std::move(change));
    const bool journaled = journal(uid, record, row, line);
    m_archive.hand(uid, std::move(record), journaled);
}

void TRecordKeeper::fileEvent(TArchiveFileEvent event)
{
    if (m_archive.state() == ArchiveState::Closed)
        return;
    event.at = orNow(event.at);
    const QUuid uid = QUuid::createUuid();
    TArchive::Record record(std::move(event));
    const bool journaled = journal(uid, record, -1, QByteArray());
    m_archive.hand(uid, std::move(record), journaled);
}

int TRecordKeeper::recover(const std::vector<TJournal::Record> &records)
{
    if (m_archive.state() == ArchiveState::Closed)
        return 0;
    std::vector<ArchivedRecord::Entry> entries = entriesOf(records);
    for (ArchivedRecord::Entry &e : entries)
        m_archive.hand(e.uid, std::move(e.record), true);
    return int(entries.size());
}

void TRecordKeeper::adoptRows(const std::vector<TJournal::Record> &records)
{
    const TJournal::Record *base = JournalReplay::lastBase(records);
    bool after = base == nullptr;
    for (const TJournal::Record &r : records) {
        if (&r == base)
            after = true;
        if (!after || r.type != TJournal::Record::Archived)
            continue;
        const std::optional<ArchivedRecord::Entry> e = ArchivedRecord::decode(r.line);
        if (e && std::holds_alternative<TArchiveResult>(e->record))
            noteRow(r.row, e->uid);
    }
}

bool TRecordKeeper::settled() const
{
    return m_finished ? m_leftAtFinish == 0 : m_archive.pendingCount() == 0;
}

void TRecordKeeper::finish()
{
    if (m_archive.state() != ArchiveState::Closed || m_archive.pendingCount() > 0) {
        m_archive.close();
        m_leftAtFinish = m_archive.leftInJournal();
    }
    m_finished = true;
}

QUuid TRecordKeeper::rowResult(int row) const
{
    return row >= 0 && row < m_rowResults.size() ? m_rowResults[row] : QUuid();
}

void TRecordKeeper::noteRow(int row, const QUuid &uid)
{
    if (row < 0)
        return;
    while (m_rowResults.size() <= row)
        m_rowResults.append(QUuid());
    m_rowResults[row] = uid;
}
