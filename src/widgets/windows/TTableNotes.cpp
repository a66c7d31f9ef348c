#include "windows/TTableNotes.h"

#include <algorithm>
#include <utility>

#include <QLabel>
#include <QStatusBar>

#include "text/FileStrings.h"
#include "text/Strings.h"
#include "windows/TWindowStatus.h"

namespace {

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

TTableNotes::TTableNotes(TWindowStatus *status, Box tell, Box ask)
    : m_status(status)
    , m_tell(std::move(tell))
    , m_ask(std::move(ask))
{}

void TTableNotes::rowsTaken(const std::vector<int> &cleanedRows,
                            const std::vector<TUnheldRow> &unheld)
{
    m_unheld = unheld;
    rowsCleaned(cleanedRows);
    if (!unheld.empty()) {
        m_tell(QMessageBox::Warning, Str::UnheldCaption,
               Str::UnheldTaken + QStringLiteral("\n\n") + unheldList(unheld), QMessageBox::Ok);
    }
}

void TTableNotes::rowsCleaned(const std::vector<int> &gridRows)
{
    if (gridRows.empty())
        return;
    if (!m_note) {
        m_note = new QLabel(m_status->bar());
        m_note->setObjectName(QStringLiteral("tableNote"));
        m_status->place(m_note);
    }
    m_note->setText(Str::ControlsDropped.arg(CellText::rowList(gridRows)));
    m_note->setToolTip(m_note->text());
}

void TTableNotes::rowRetyped(int gridRow)
{
    std::erase_if(m_unheld, [gridRow](const TUnheldRow &u) { return u.gridRow == gridRow; });
}

bool TTableNotes::agreeToSave(int rowCount)
{
    // Rows past the table's end went with the rows that held them.
    std::erase_if(m_unheld, [rowCount](const TUnheldRow &r) { return r.gridRow >= rowCount; });
    if (m_unheld.empty())
        return true;
    const auto answer = m_ask(QMessageBox::Warning, Str::UnheldCaption,
                              Str::UnheldSave + QStringLiteral("\n\n") + unheldList(m_unheld),
                              QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes;
}
