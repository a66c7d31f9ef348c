// The parts of a registration window that keep results from being lost: the recovery journal
// and what it gives back after a crash, and results that come while a question is open.

#include <algorithm>

#include <QFileInfo>
#include <QPointer>

#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "results/JournalReplay.h"
#include "results/ResultsFileCheck.h"
#include "results/TResultsFile.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/NewFileName.h"
#include "windows/TArchiveLink.h"
#include "windows/TJournalKeeper.h"
#include "windows/TRegistrationWindow.h"
#include "windows/TTableNotes.h"
#include "windows/TWindowStatus.h"

void TRegistrationWindow::makeArchiveLink()
{
    TArchiveLink::Window window;
    window.main = this;
    window.fileMenu = mnFile;
    window.grid = MainGrid;
    window.quality = qualityPanel;
    window.status = m_status.get();
    window.settings = [this]() -> const TWindowSettings & { return *m_settings; };
    window.fileName = [this] { return m_fileName; };
    window.now = [this] { return Now(); };
    window.deviceText = [this] { return NumberEdit1->text(); };
    window.messageBox = [this](QMessageBox::Icon i, const QString &c, const QString &t,
                               QMessageBox::StandardButtons b) { return MessageBox(i, c, t, b); };
    window.openTable = [this](THitRows rows, const QString &name) {
        return openTable(std::move(rows), name);
    };
    m_archiveLink = new TArchiveLink(std::move(window), this);
    // The journal is the archive's queue: written first, emptied only once the archive has
    // what it holds.
    TRecordKeeper &records = m_archiveLink->records();
    records.writeJournal = [this](const TRecordKeeper::Records &archived, int row,
                                  const QByteArray &line) {
        return journalWrite(archived, row, line);
    };
    records.readJournal = [this] { return m_keeper->records(); };
    m_keeper->mayEmpty = [&records] { return records.settled(); };
}

void TRegistrationWindow::journalBase(bool fromFile)
{
    if (!m_replaying)
        m_keeper->base(fromFile, m_fileName);
}

void TRegistrationWindow::journalRow(int row)
{
    if (m_replaying || !m_keeper->active() || row < 1 || row >= MainGrid->RowCount())
        return;
    m_keeper->row(row, MainGrid->Rows().Line(TableShape::storeRow(row)));
}

bool TRegistrationWindow::journalWrite(const std::vector<TJournal::Record> &archived, int row,
                                       const QByteArray &line)
{
    if (m_replaying || !m_keeper->active())
        return false;
    const bool tableRow = row >= 1 && row < MainGrid->RowCount();
    if (archived.empty() && !tableRow)
        return false;
    return m_keeper->write(archived, tableRow ? row : -1, line);
}

void TRegistrationWindow::startJournal()
{
    // One that cannot be opened (another running copy holds it, the folder cannot be
    // written) is told and marked by the keeper; the window works on without it.
    if (m_keeper->open(m_journalPath)) {
        const std::vector<TJournal::Record> records = m_keeper->records();
        // Whatever the operator answers about the rows, the archive gets what it lacks.
        m_archiveLink->records().recover(records);
        const int rows = JournalReplay::changedRows(records);
        if (rows > 0) {
            const QString question = Str::RecoveryQuestion.arg(rows);
            const auto answer = MessageBox(QMessageBox::Question, Str::RecoveryCaption, question,
                                           QMessageBox::Yes | QMessageBox::No);
            if (answer == QMessageBox::Yes) {
                replayJournal(records);
                return;
            }
        }
    }
    journalBase(true);
}

void TRegistrationWindow::replayJournal(const std::vector<TJournal::Record> &records)
{
    const TJournal::Record *base = JournalReplay::lastBase(records);
    if (base) {
        const TFileStamp now = TFileStamp::of(base->fileName);
        const JournalReplay::Basis basis = JournalReplay::compare(*base, now);
        if (basis != JournalReplay::Basis::Same) {
            replayOntoOtherFile(*base, basis == JournalReplay::Basis::Missing, records);
            return;
        }
    }
    m_replaying = true;
    if (base) {
        if (base->fromFile) {
            LoadFile(base->fileName);
        } else {
            clearTable();
            m_fileName = base->fileName;
            SetCaption();
        }
    }
    TRowStore replayed = JournalReplay::replay(records, MainGrid->Rows());
    const std::vector<int> cleaned = CellText::dropControls(replayed);
    MainGrid->SetRows(std::move(replayed));
    m_notes->rowsCleaned(cleaned);
    m_archiveLink->tableReplaced();
    m_archiveLink->records().adoptRows(records);
    m_replaying = false;
    m_changed = true;
    // The journal goes on as it stands.
}

void TRegistrationWindow::replayOntoOtherFile(const TJournal::Record &base, bool missing,
                                              const std::vector<TJournal::Record> &records)
{
    const std::vector<QByteArray> lines = JournalReplay::changedLines(records);
    // A file that changed is opened as it is now; one that cannot be, like one that is gone,
    // leaves the rows a table of their own beside it, so that no save can write them over it.
    // The journal keeps its records until the rows are in their new table.
    m_replaying = true;
    if (missing || !LoadFile(base.fileName)) {
        missing = true;
        clearTable();
        m_fileName = NextNewFileName(base.fileName);
        SetCaption();
    }
    m_replaying = false;
    carryLines(!missing, lines);
    const int count = static_cast<int>(lines.size());
    const QString told = missing
                             ? Str::RecoveryFileMissing.arg(base.fileName).arg(count).arg(m_fileName)
                             : Str::RecoveryFileChanged.arg(base.fileName).arg(count);
    MessageBox(QMessageBox::Information, Str::RecoveryCaption, told, QMessageBox::Ok);
}

// Asks "Сохранить данные?" when the table has unsaved changes and saves on Yes. False when
// the operator cancelled or the save failed: the table must then stay as it is.
bool TRegistrationWindow::askToSave(QMessageBox::StandardButtons buttons, bool *cancelled,
                                    const QString &text)
{
    *cancelled = false;
    if (!m_changed)
        return true;
    const bool withCancel = buttons.testFlag(QMessageBox::Cancel);
    const QString &caption = withCancel ? Str::DataChanged : Str::Confirm;
    const auto answer = ask(QMessageBox::Question, caption, text.isEmpty() ? Str::AskSave : text,
                            buttons);
    if (answer == QMessageBox::Cancel || answer == QMessageBox::NoButton) {
        *cancelled = withCancel || answer == QMessageBox::Cancel;
        return !*cancelled;
    }
    if (answer == QMessageBox::Yes && !SaveFile(m_fileName)) {
        *cancelled = true;
        return false;
    }
    return true;
}

QMessageBox::StandardButton TRegistrationWindow::ask(QMessageBox::Icon icon, const QString &caption,
                                                     const QString &text,
                                                     QMessageBox::StandardButtons buttons)
{
    ++m_asking;
    const QPointer<TRegistrationWindow> self(this);
    const auto answer = MessageBox(icon, caption, text, buttons);
    if (self)
        --m_asking;
    return answer;
}

QString TRegistrationWindow::agreeToOpen(const QString &path)
{
    m_foreignOk.clear(); // a file opened again is asked about again
    // One too large to open is refused with its reason, not asked about first.
    if (path.isEmpty() || QFileInfo(path).size() > TResultsFile::MaxFileSize)
        return path;
    if (ResultsFileCheck::fileLooksLikeTable(path))
        return agreeToFamily(path);
    const auto answer = ask(QMessageBox::Question, Str::Confirm, Str::ForeignOpen.arg(path),
                            QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes ? path : QString();
}

bool TRegistrationWindow::agreeToSaveOver(const QString &path)
{
    // Only the table's own file: one chosen in "Save as" was asked about by its dialog. Asked
    // once: a table of odd bytes saved there may still not look like one.
    if (path != m_fileName || path == m_foreignOk || ResultsFileCheck::fileLooksLikeTable(path))
        return true;
    const auto answer = ask(QMessageBox::Question, Str::Confirm, Str::ForeignSave.arg(path),
                            QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;
    m_foreignOk = path;
    return true;
}

bool TRegistrationWindow::agreeToClose()
{
    // A result that came while the question was open was not in the table it asked about:
    // "No" does not let it go, the question is asked again.
    QString text; // the usual question first
    for (;;) {
        m_lateRows.clear();
        bool cancelled = false;
        const auto buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        if (!askToSave(buttons, &cancelled, text))
            return false;
        if (m_lateRows.empty() || !m_changed)
            return true;
        text = Str::AskSaveLateResults.arg(m_lateRows.size());
    }
}

std::vector<QByteArray> TRegistrationWindow::takeLateLines()
{
    std::vector<QByteArray> lines;
    // A save while the question was open took them into the file: nothing to carry then.
    if (m_changed) {
        for (int row : m_lateRows)
            lines.push_back(MainGrid->Rows().Line(TableShape::storeRow(row)));
    }
    m_lateRows.clear();
    return lines;
}

void TRegistrationWindow::carryLines(bool fromFile, const std::vector<QByteArray> &lines)
{
    // The rows from the open row on as they are to stand (an empty open row makes room, one
    // with a label stays before them), written into the grid where they go: the table itself
    // is not copied, however large.
    const int open = MainGrid->RowCount() - 1;
    const QByteArray wasOpen = MainGrid->Rows().Line(TableShape::storeRow(open));
    TRowStore tail(MainGrid->ColCount());
    tail.AppendLine(wasOpen);
    tail = JournalReplay::appendLines(std::move(tail), lines);
    std::vector<int> cleaned = CellText::dropControls(tail);
    for (int &row : cleaned)
        row = open + TableShape::storeRow(row);
    m_notes->rowsCleaned(cleaned);
    std::vector<std::pair<int, QByteArray>> rows;
    for (int i = 0; i < tail.RowCount(); ++i) {
        const int row = open + i;
        if (row == MainGrid->RowCount())
            MainGrid->AppendRow();
        MainGrid->SetCells(TableShape::NumberCol, row, QString::number(row));
        for (int c = TableShape::LabelCol; c < MainGrid->ColCount(); ++c)
            MainGrid->SetCells(c, row, tail.Cell(c, i));
        // Journaled: every row that changed, the open row only with a label of its own.
        const QByteArray &now = MainGrid->Rows().Line(TableShape::storeRow(row));
        const bool emptyOpenRow = i == tail.RowCount() - 1
                                  && tail.CellEmpty(TableShape::LabelCol, i);
        if ((i > 0 || now != wasOpen) && !emptyOpenRow)
            rows.emplace_back(row, now);
    }
    m_keeper->restart(fromFile, m_fileName, rows);
    if (!lines.empty())
        m_changed = true;
}
