#pragma once

// Keeps a registration window's recovery journal and says when it cannot: a journal that
// cannot be opened or written is told to the operator at once, with the reason, and a mark
// stays in the window's status bar while it lasts. Writing is tried again on every change and
// every few seconds; once it works, every row changed since the table's base is written again
// (after the base itself, if that was what failed), so nothing that changed while it failed
// is missing from it. A journal that holds good records is never emptied to catch up, nor
// while it holds records the archive has not taken (mayEmpty): a new base then goes after them.

#include <functional>
#include <set>
#include <utility>
#include <vector>

#include <QObject>
#include <QTimer>

#include "results/TJournal.h"

class QLabel;
class TWindowStatus;

class TJournalKeeper : public QObject
{
    Q_OBJECT
public:
    explicit TJournalKeeper(TWindowStatus *status);

    // Opens the journal at path (a window that is shown; the hidden start-up windows keep
    // none). False, told and marked, when it cannot be opened.
    bool open(const QString &path);
    bool active() const { return m_active; }
    bool working() const { return m_journal.IsOpen() && !m_broken; }
    std::vector<TJournal::Record> records() const { return m_journal.ReadAll(); }

    // The table starts again from a results file (fromFile) or as a new table: the journal
    // holds only what changes after this.
    void base(bool fromFile, const QString &fileName);
    // The table starts again with rows already in it (given back after a crash, carried
    // from the table it replaced). The base and the rows go to the journal in one write after
    // its records, not over them: a crash at any moment finds the old records or the new.
    void restart(bool fromFile, const QString &fileName,
                 const std::vector<std::pair<int, QByteArray>> &rows);
    // Grid row `row` as it now stands.
    void row(int row, const QByteArray &line);
    // Records (the archive's) and then grid row `row` (when row >= 0) in one write. True when
    // they are on the disk; records that could not be written are written once it works again.
    bool write(const std::vector<TJournal::Record> &records, int row, const QByteArray &line);
    // Nothing is unsaved any more (the close prompt was answered); nothing is kept after.
    void finish();

    // The current line of a grid row, for writing the journal anew.
    std::function<QByteArray(int row)> lineOf;
    // Tells the operator; called from the event loop, never inside the caller's own call.
    std::function<void(const QString &text)> Tell;
    // False while the journal holds records the archive has not taken: a new base then goes
    // after them instead of over them.
    std::function<bool()> mayEmpty;

    QLabel *mark() const { return m_mark; }

private:
    bool tryOpen();
    bool writeBase();
    void setBase(bool fromFile, const QString &fileName);
    // Writes every row changed since the base, after the base when it is not written yet.
    bool catchUp();
    void failed();
    void recovered();

    TWindowStatus *m_status = nullptr;
    TJournal m_journal;
    QString m_path;
    TJournal::Record m_base;
    std::set<int> m_rows;                      // grid rows changed since the base
    std::vector<TJournal::Record> m_unwritten; // the archive's, while the journal failed
    bool m_baseWritten = false;
    bool m_active = false;
    bool m_broken = false;
    bool m_finished = false;
    QTimer m_retry;
    QLabel *m_mark = nullptr;
};
