#include "windows/TJournalKeeper.h"

#include <algorithm>

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

#include "results/JournalReplay.h"
#include "text/Strings.h"
#include "windows/TWindowStatus.h"

namespace {
constexpr int kRetryMs = 5000;
} // namespace

TJournalKeeper::TJournalKeeper(TWindowStatus *status)
    : m_status(status)
{
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (!m_journal.IsOpen() ? tryOpen() && catchUp() : catchUp())
            recovered();
    });
}

bool TJournalKeeper::open(const QString &path)
{
    m_path = path;
    m_active = true;
    if (m_journal.Open(path))
        return true;
    failed();
    return false;
}

// A journal opened late must not wipe what a crashed session left in it (rows, or records the
// archive may lack): that waits for the next start, which offers it back.
bool TJournalKeeper::tryOpen()
{
    if (!m_journal.Open(m_path))
        return false;
    const std::vector<TJournal::Record> held = m_journal.ReadAll();
    const bool archived = std::any_of(held.begin(), held.end(), [](const TJournal::Record &r) {
        return r.type == TJournal::Record::Archived;
    });
    if (JournalReplay::changedRows(held) > 0 || archived) {
        m_journal.Close();
        m_retry.stop();
        if (m_mark)
            m_mark->setToolTip(Str::JournalFailed.arg(m_path, Str::JournalOldRows));
        return false;
    }
    return true;
}

void TJournalKeeper::setBase(bool fromFile, const QString &fileName)
{
    m_base = TJournal::Record();
    m_base.type = TJournal::Record::Base;
    m_base.fromFile = fromFile;
    m_base.fileName = fileName;
    m_base.stamped = true;
    m_base.stamp = TFileStamp::of(fileName);
    m_rows.clear();
    m_baseWritten = false;
}

void TJournalKeeper::restart(bool fromFile, const QString &fileName,
                             const std::vector<std::pair<int, QByteArray>> &rows)
{
    if (!m_active || m_finished)
        return;
    setBase(fromFile, fileName);
    std::vector<TJournal::Record> records = {m_base};
    for (const auto &[row, line] : rows) {
        m_rows.insert(row);
        TJournal::Record r;
        r.type = TJournal::Record::Row;
        r.row = row;
        r.line = line;
        records.push_back(std::move(r));
    }
    if (m_broken) // written once the journal works again
        return;
    m_baseWritten = m_journal.appendRecords(records);
    if (!m_baseWritten)
        failed();
}

void TJournalKeeper::base(bool fromFile, const QString &fileName)
{
    if (!m_active || m_finished)
        return;
    setBase(fromFile, fileName);
    if (m_broken) // the new base is written once the journal works again
        return;
    m_baseWritten = writeBase();
    if (!m_baseWritten)
        failed();
}

bool TJournalKeeper::writeBase()
{
    if (mayEmpty && !mayEmpty())
        return m_journal.Append(m_base);
    return m_journal.Reset(m_base);
}

void TJournalKeeper::row(int row, const QByteArray &line)
{
    write({}, row, line);
}

bool TJournalKeeper::write(const std::vector<TJournal::Record> &records, int row,
                           const QByteArray &line)
{
    if (!m_active || m_finished)
        return false;
    if (row >= 0)
        m_rows.insert(row);
    if (m_broken) {
        m_unwritten.insert(m_unwritten.end(), records.begin(), records.end());
        // Every change tries again: a disk with room again protects this row at once.
        if (!m_journal.IsOpen() || !catchUp())
            return false;
        recovered();
        return true;
    }
    std::vector<TJournal::Record> all = records;
    if (row >= 0) {
        TJournal::Record r;
        r.type = TJournal::Record::Row;
        r.row = row;
        r.line = line;
        all.push_back(std::move(r));
    }
    if (m_journal.appendRecords(all))
        return true;
    m_unwritten.insert(m_unwritten.end(), records.begin(), records.end());
    failed();
    return false;
}

bool TJournalKeeper::catchUp()
{
    if (!m_baseWritten) {
        if (!writeBase())
            return false;
        m_baseWritten = true;
    }
    if (!m_unwritten.empty()) {
        if (!m_journal.appendRecords(m_unwritten))
            return false;
        m_unwritten.clear();
    }
    for (int r : m_rows) {
        if (!m_journal.appendRow(r, lineOf ? lineOf(r) : QByteArray()))
            return false;
    }
    return true;
}

void TJournalKeeper::finish()
{
    m_finished = true;
    m_retry.stop();
    // Records the archive has not taken stay for the next start; the rows were let go.
    if (mayEmpty && !mayEmpty())
        m_journal.Append(m_base);
    else
        m_journal.Clear();
}

void TJournalKeeper::failed()
{
    const bool busy = m_journal.Busy();
    const QString text = busy ? Str::JournalBusy.arg(m_path)
                              : Str::JournalFailed.arg(m_path, m_journal.ErrorString());
    if (!m_mark) {
        m_mark = new QLabel(Str::JournalMark, m_status->bar());
        m_mark->setObjectName(QStringLiteral("JournalMark"));
        QFont bold = m_mark->font();
        bold.setBold(true);
        m_mark->setFont(bold);
        TWindowStatus::showTrouble(m_mark, true);
        m_status->place(m_mark);
    }
    m_mark->setToolTip(text);
    m_mark->show();
    // Another running copy keeps the journal until it closes: nothing to try again.
    if (!busy)
        m_retry.start();
    if (m_broken)
        return;
    m_broken = true;
    QTimer::singleShot(0, this, [this, text] {
        if (Tell)
            Tell(text);
    });
}

void TJournalKeeper::recovered()
{
    m_broken = false;
    m_retry.stop();
    if (m_mark)
        m_mark->hide();
}
