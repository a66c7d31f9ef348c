// The poller's events in a registration window: the exchange in core decides what each poll
// asks for and what a reply gives; the window shows the result as a new row.

#include <QScrollBar>

#include "controls/TColorStringGrid.h"
#include "controls/TNumberEdit.h"
#include "pollers/TOpPoller.h"
#include "results/LocaleFormats.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/ControlStatus.h"
#if REG01_CHARTS
#include "windows/ChartLinks.h"
#endif
#include "windows/TArchiveLink.h"
#include "windows/TCalibrationPart.h"
#include "windows/TReceptionPart.h"
#include "windows/TRegistrationWindow.h"

void TRegistrationWindow::PollerStarting()
{
    SetPollingLook(true);
}

void TRegistrationWindow::PollerStoping()
{
    SetPollingLook(false);
}

void TRegistrationWindow::PollerErrorOpenPort()
{
    MessageBox(QMessageBox::Critical, Str::ErrorCaption, Str::ErrorOpenPort, QMessageBox::Ok);
}

QDateTime TRegistrationWindow::LastResult() const
{
    return m_exchange ? m_exchange->lastResult() : QDateTime();
}

void TRegistrationWindow::PollerGetNumber()
{
    m_poller->DeviceNumber = static_cast<uint16_t>(qRound(NumberEdit1->Value()));
    // While a question about the table is open no result is asked for: its answer may
    // replace the table.
    m_poller->Command = m_exchange->getNumber(m_poller->Command, m_asking > 0, Now());
}

void TRegistrationWindow::PollerPutResult()
{
    const TResultExchange::Step step = m_exchange->putResult(m_poller->Command,
                                                             m_poller->ResultData,
                                                             m_poller->ResultLength, Now());
    if (step.rejected)
        emit resultRejected(step.rejectedStatus);
    m_poller->Command = step.command;
    if (step.row)
        addResultRow(step.at, *step.row);
}

void TRegistrationWindow::addResultRow(const QDateTime &now, const TDecodedResult &result)
{
    QScrollBar *bar = MainGrid->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    const int row = MainGrid->RowCount() - 1;
    MainGrid->SetCells(TableShape::DateCol, row, FormatShortDate(now.date()));
    MainGrid->SetCells(TableShape::TimeCol, row, FormatLongTime(now.time()));
    TDecodedResult shown = result;
    if (m_calibration)
        m_calibration->correct(row, shown);
    for (const auto &[col, text] : shown.cells)
        MainGrid->SetCells(col, row, text);
    m_archiveLink->resultRow(row, now, shown, MainGrid->Rows().Line(TableShape::storeRow(row)),
                             m_poller->Port, qRound(NumberEdit1->Value()));
    if (m_calibration)
        m_calibration->resultRow(row);
    if (m_control)
        m_control->resultRow(row, now);
    if (m_reception)
        m_reception->resultRow(row, now);
#if REG01_CHARTS
    if (m_charts)
        m_charts->resultRow(row);
#endif
    if (m_asking > 0)
        m_lateRows.push_back(row);
    MainGrid->endWithOpenRow();
    // An unsaved result is unsaved data: the save prompts must guard it.
    m_changed = true;
    if (atBottom)
        MainGrid->scrollToBottom();
}
