// What a registration window tells about the bytes of its table and the files it opens:
// rows from elsewhere that lost control characters or hold what the results file cannot,
// and a results file of the other window's instrument.

#include <algorithm>

#include <QLabel>
#include <QStatusBar>

#include "controls/TColorStringGrid.h"
#include "results/ResultsFileName.h"
#include "text/FileStrings.h"
#include "text/Strings.h"
#include "windows/TRegistrationWindow.h"

namespace {

constexpr int TarvoColumns = 17;
constexpr int MirelColumns = 32;
constexpr int ListedRows = 10;

QString unheldList(const std::vector<TUnheldRow> &rows)
{
    QStringList lines;
    for (size_t i = 0; i < rows.size() && i < ListedRows; ++i) {
        QStringList named;
        for (const QString &c : rows[i].characters)
            named << CellText::named(c);
        lines << Str::UnheldRow.arg(rows[i].gridRow).arg(named.join(QStringLiteral(", ")));
    }
    if (rows.size() > ListedRows)
        lines << QStringLiteral("…");
    return lines.join(QLatin1Char('\n'));
}

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

void TRegistrationWindow::tellRowsTaken(const std::vector<int> &cleanedRows,
                                        const std::vector<TUnheldRow> &unheld)
{
    m_unheld = unheld;
    noteCleanedRows(cleanedRows);
    if (!unheld.empty()) {
        MessageBox(QMessageBox::Warning, Str::UnheldCaption,
                   Str::UnheldTaken + QStringLiteral("\n\n") + unheldList(unheld), QMessageBox::Ok);
    }
}

void TRegistrationWindow::noteCleanedRows(const std::vector<int> &gridRows)
{
    if (gridRows.empty())
        return;
    if (!m_tableNote) {
        m_tableNote = new QLabel(this);
        m_tableNote->setObjectName(QStringLiteral("tableNote"));
        statusBar()->addPermanentWidget(m_tableNote);
    }
    m_tableNote->setText(Str::ControlsDropped.arg(CellText::rowList(gridRows)));
    m_tableNote->setToolTip(m_tableNote->text());
}

bool TRegistrationWindow::agreeToUnheld()
{
    // Rows past the table's end went with the rows that held them.
    const int rows = MainGrid->RowCount();
    std::erase_if(m_unheld, [rows](const TUnheldRow &r) { return r.gridRow >= rows; });
    if (m_unheld.empty())
        return true;
    const auto answer = ask(QMessageBox::Warning, Str::UnheldCaption,
                            Str::UnheldSave + QStringLiteral("\n\n") + unheldList(m_unheld),
                            QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes;
}
