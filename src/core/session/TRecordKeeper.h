#pragma once

// The record path of a registration window: every accepted result, label change and
// results-file event goes to the recovery journal first, in the same write as the row it
// changed, and only then to the archive. The journal is the archive's queue: at start every
// record it holds goes to the archive again, which adds only what it lacks (a record keeps the
// id it was given here), and the journal is emptied only once the archive holds everything it
// was given. A crash at any moment, or an archive in any trouble, loses no record and archives
// none twice.
//
// It knows neither the grid nor the journal's file: the window hands it the row's line and
// writes the journal through writeJournal.

#include <functional>
#include <vector>

#include <QByteArray>
#include <QList>
#include <QUuid>

#include "archive/TArchive.h"
#include "results/TJournal.h"
#include "session/TResultDecoder.h"

class TRecordKeeper
{
public:
    using Records = std::vector<TJournal::Record>;

    explicit TRecordKeeper(TArchive &archive);

    // The archive's record of result `decoded`, taken at `at`, whose row of colCount cells now
    // reads `line`: the date, time and label as the row shows them. The instrument's model,
    // port and number and the limits' verdict are the caller's to add.
    static TArchiveResult resultOf(const TDecodedResult &decoded, const QDateTime &at,
                                   const QByteArray &line, int colCount);

    // Writes `records` to the journal in one write, then row `row`'s line when row >= 0. True
    // when they are on the disk.
    std::function<bool(const Records &records, int row, const QByteArray &line)> writeJournal;
    // The journal as it stands, for an archive made anew.
    std::function<Records()> readJournal;

    // An archive not opened (a hidden window, one not shown yet) gets nothing; the row still
    // goes to the journal.
    // A result filled grid row `row`, which now reads `line`. The archive's handle of it.
    QUuid result(TArchiveResult result, int row, const QByteArray &line);
    // The label of row `row` changed; `line` is the row as it now reads. A row whose result
    // is not known here (one from an opened file) is linked to the archived result it shows,
    // found by `shown`, and keeps that result for its next change.
    void labelChange(TArchiveLabelChange change, int row, const QByteArray &line,
                     const TArchiveRowKey &shown = {});
    void fileEvent(TArchiveFileEvent event);

    // Hands every record the journal holds to the archive again; the number handed.
    int recover(const std::vector<TJournal::Record> &records);
    // Rows replayed from the journal hold the results its records name again.
    void adoptRows(const std::vector<TJournal::Record> &records);

    // The journal may be emptied: the archive holds every record it was given (or none was).
    bool settled() const;
    // Writes what waits and closes the archive; what it could not take stays in the journal.
    void finish();

    QUuid rowResult(int row) const;
    void tableReplaced() { m_rowResults.clear(); }
    // Grid row `row` holds the archived result `uid` (a table made of archived results).
    void linkRow(int row, const QUuid &uid) { noteRow(row, uid); }

private:
    bool journal(const QUuid &uid, const TArchive::Record &record, int row, const QByteArray &line);
    void noteRow(int row, const QUuid &uid);

    TArchive &m_archive;
    QList<QUuid> m_rowResults; // the archived result each grid row holds, by grid row
    int m_leftAtFinish = 0;
    bool m_finished = false;
};
