// The recovery journal of a registration window: every row on the disk before it shows,
// offered back after a crash.

#include "windows/TRegistrationWindow.h"

#include "controls/TColorStringGrid.h"
#include "results/JournalReplay.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"

void TRegistrationWindow::JournalBase(bool fromFile)
{
    if (!m_replaying)
        m_journal.startFrom(fromFile, m_fileName);
}

void TRegistrationWindow::JournalRow(int row)
{
    if (m_replaying || !m_journal.IsOpen() || row < 1 || row >= MainGrid->RowCount())
        return;
    m_journal.appendRow(row, MainGrid->Rows().Line(TableShape::storeRow(row)));
}

void TRegistrationWindow::StartJournal()
{
    // Refused while another running copy holds it; that copy keeps its own journal.
    if (!m_journal.Open(m_journalPath))
        return;
    const std::vector<TJournal::Record> records = m_journal.ReadAll();
    const int rows = JournalReplay::changedRows(records);
    if (rows > 0) {
        const QString question = Str::RecoveryQuestion.arg(rows);
        const auto answer = MessageBox(QMessageBox::Question, Str::RecoveryCaption, question,
                                       QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            ReplayJournal(records);
            return; // the journal goes on as it stands
        }
    }
    JournalBase(true);
}

void TRegistrationWindow::ReplayJournal(const std::vector<TJournal::Record> &records)
{
    m_replaying = true;
    if (const TJournal::Record *base = JournalReplay::lastBase(records)) {
        if (base->fromFile) {
            LoadFile(base->fileName);
        } else {
            ClearTable();
            m_fileName = base->fileName;
            SetCaption();
        }
    }
    MainGrid->SetRows(JournalReplay::replay(records, MainGrid->Rows()));
    m_archiveLink->tableReplaced();
    m_replaying = false;
    m_changed = true;
}
