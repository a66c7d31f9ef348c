// The file commands of a registration window: a new table, opening and saving the results
// file, a table made of archived results, and a results file of the other window's instrument.

#include <utility>

#include <QApplication>

#include "controls/TColorStringGrid.h"
#include "results/ResultsFileName.h"
#include "results/TResultsFile.h"
#include "table/TableShape.h"
#include "text/FileStrings.h"
#include "text/Strings.h"
#include "windows/NewFileName.h"
#include "windows/TArchiveLink.h"
#include "windows/TRegistrationWindow.h"
#include "windows/TTableNotes.h"

namespace {

constexpr int TarvoColumns = 17;
constexpr int MirelColumns = 32;

// The hourglass for the time of a file operation.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

QString TRegistrationWindow::agreeToFamily(const QString &path)
{
    if (path.isEmpty())
        return path;
    const int own = MainGrid->ColCount();
    const int columns = ResultsFileName::fileColumns(path);
    if (columns == own || (columns != TarvoColumns && columns != MirelColumns))
        return path;
    const QString family = columns == TarvoColumns ? Str::FamilyTarvo : Str::FamilyMirel;
    const auto answer = ask(QMessageBox::Question, Str::Confirm,
                            Str::OtherFamilyOpen.arg(path, family),
                            QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes ? path : QString();
}

bool TRegistrationWindow::LoadFile(const QString &path)
{
    TRowStore rows(MainGrid->ColCount());
    QString error;
    bool ok;
    {
        WaitCursor wait;
        ok = TResultsFile::Load(path, MainGrid->ColCount(), rows, &error);
        // A file that cannot be read replaces nothing: taking its name would let the next
        // save write the table over it.
        if (ok) {
            const std::vector<int> cleaned = CellText::dropControls(rows);
            m_notes->clear();
            m_notes->rowsCleaned(cleaned);
            MainGrid->DiscardEditor();
            m_fileName = path;
            MainGrid->SetRows(std::move(rows));
            partsTableReplaced();
            SetCaption();
            m_changed = false;
            journalBase(true);
            m_archiveLink->tableReplaced();
            if (!m_replaying) // a replayed journal restores what the archive holds
                m_archiveLink->fileEvent(TArchiveFileEvent::Open);
        }
    }
    if (!ok && m_creating)
        m_deferredError += error; // after a note on the settings file, if there is one
    else if (!ok)                 // the text names the file and the reason
        MessageBox(QMessageBox::Critical, Str::ErrorCaption, error, QMessageBox::Ok);
    return ok;
}

bool TRegistrationWindow::SaveFile(const QString &path)
{
    MainGrid->CommitEditor();
    if (!agreeToSaveOver(path) || !m_notes->agreeToSave(MainGrid->RowCount()))
        return false;
    QString error;
    bool ok;
    {
        WaitCursor wait;
        ok = TResultsFile::Save(path, MainGrid->Rows(), &error);
        if (ok) {
            const bool as = path != m_fileName;
            m_fileName = path;
            SetCaption();
            m_changed = false;
            m_lateRows.clear(); // what came during a question is in the file now
            m_notes->clear();   // the operator agreed to their "?"
            journalBase(true);
            if (!m_replaying)
                m_archiveLink->fileEvent(as ? TArchiveFileEvent::SaveAs : TArchiveFileEvent::Save);
        }
    }
    if (!ok) // the text names the file and the reason
        MessageBox(QMessageBox::Critical, Str::ErrorCaption, error, QMessageBox::Ok);
    return ok;
}

void TRegistrationWindow::actNewExecute()
{
    m_lateRows.clear();
    bool cancelled = false;
    if (!askToSave(QMessageBox::Yes | QMessageBox::No, &cancelled))
        return;
    const std::vector<QByteArray> late = takeLateLines();
    clearTable();
    m_fileName = NextNewFileName(m_fileName);
    SetCaption();
    if (late.empty())
        journalBase(false);
    else
        carryLines(false, late);
    if (!m_replaying)
        m_archiveLink->fileEvent(TArchiveFileEvent::New);
}

void TRegistrationWindow::actOpenFileExecute()
{
    // Opening replaces the table: unsaved results are offered for saving first.
    m_lateRows.clear();
    bool cancelled = false;
    if (!askToSave(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &cancelled))
        return;
    QString name;
    {
        ++m_asking;
        name = agreeToOpen(AskOpenFileName(m_fileName));
        --m_asking;
    }
    const std::vector<QByteArray> late = takeLateLines();
    if (name.isEmpty())
        return;
    // Lines to carry keep the journal as it is until they are in the opened table.
    m_replaying = !late.empty();
    const bool loaded = LoadFile(name);
    m_replaying = false;
    if (loaded && !late.empty())
        carryLines(true, late);
}

void TRegistrationWindow::actSaveExecute()
{
    SaveFile(m_fileName);
}

void TRegistrationWindow::actSaveAsExecute()
{
    const QString name = AskSaveFileName(m_fileName);
    if (!name.isEmpty())
        SaveFile(name);
}

bool TRegistrationWindow::openTable(THitRows made, const QString &name)
{
    // A new table, as "Новый" makes one: unsaved results are offered for saving first.
    bool cancelled = false;
    if (!askToSave(QMessageBox::Yes | QMessageBox::No, &cancelled))
        return false;
    // The label typed for the sample about to be measured stays its label.
    const QString waiting = MainGrid->Cells(TableShape::LabelCol, MainGrid->RowCount() - 1);
    clearTable();
    MainGrid->SetRows(std::move(made.rows));
    const int open = MainGrid->RowCount() - 1;
    // A row without a date and time ends the table as its open row: its label stays.
    if (MainGrid->Cells(TableShape::LabelCol, open).isEmpty())
        MainGrid->SetCells(TableShape::LabelCol, open, waiting);
    for (size_t k = 0; k < made.results.size(); ++k)
        m_archiveLink->records().linkRow(open - int(k) - 1, made.results[k]);
    m_fileName = name;
    SetCaption();
    journalBase(false);
    for (int r = 1; r < open + (waiting.isEmpty() ? 0 : 1); ++r)
        journalRow(r);
    m_changed = open > 1 || !made.results.empty();
    if (!m_replaying)
        m_archiveLink->fileEvent(TArchiveFileEvent::New);
    m_notes->rowsTaken(made.cleanedRows, made.unheld);
    return true;
}
