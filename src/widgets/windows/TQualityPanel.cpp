#include "windows/TQualityPanel.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "controls/TColorStringGrid.h"
#include "quality/TLimitColors.h"
#include "quality/TLimitsDialog.h"
#include "quality/TStatsBar.h"
#include "session/TWindowSettings.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "text/QualityStrings.h"
#include "windows/TWindowStatus.h"

TQualityPanel::TQualityPanel(QMainWindow *window, TColorStringGrid *grid)
    : QObject(window)
    , m_window(window)
    , m_grid(grid)
{
    auto *centre = new QWidget(window);
    centre->setObjectName(QStringLiteral("centre"));
    auto *layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(grid);
    m_statsBar = new TStatsBar(grid, centre);
    m_statsBar->setObjectName(QStringLiteral("statsBar"));
    // Hidden until the settings say otherwise: a window without limits keeps its whole grid.
    m_statsBar->hide();
    layout->addWidget(m_statsBar);
    window->setCentralWidget(centre);
    m_colours = new TLimitColors(grid);

    // After "О программе": the menus an operator knows stay where they always were.
    m_service = window->menuBar()->addMenu(Str::MenuService);
    m_service->setObjectName(QStringLiteral("mnService"));
    m_limitsAction = m_service->addAction(Str::ActLimits);
    m_limitsAction->setObjectName(QStringLiteral("actLimits"));
    connect(m_limitsAction, &QAction::triggered, this, &TQualityPanel::editLimits);
    QAction *toggle = m_statsBar->toggleAction();
    toggle->setObjectName(QStringLiteral("actStatistics"));
    m_service->addAction(toggle);
    connect(toggle, &QAction::triggered, this, [this] { m_barChosen = true; });

    askLimits = [this](const QList<std::pair<int, QString>> &columns,
                       const TLimits &limits) -> std::optional<TLimits> {
        TLimitsDialog dialog(columns, limits, m_window);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.limits();
    };
}

QList<std::pair<int, QString>> TQualityPanel::valueColumns() const
{
    QList<std::pair<int, QString>> columns;
    for (int c = TableShape::FirstValueCol; c < m_grid->ColCount(); ++c)
        columns.append({c, m_grid->Cells(c, 0)});
    return columns;
}

void TQualityPanel::readSettings(TWindowSettings *settings, TWindowStatus *status)
{
    m_settings = settings;
    m_status = status;
    const TIniPlus &ini = settings->ini();
    QStringList notes;
    apply(TLimits::read(ini, TableShape::FirstValueCol, m_grid->ColCount() - 1, &notes));
    m_statsBar->restore(ini, !m_limits.isEmpty());
    m_notes = notes;
    showNotes();
}

void TQualityPanel::writeSettings(TIniPlus &ini) const
{
    m_statsBar->save(ini);
}

void TQualityPanel::editLimits()
{
    const std::optional<TLimits> chosen = askLimits(valueColumns(), m_limits);
    if (!chosen)
        return;
    const int first = TableShape::FirstValueCol;
    const int last = m_grid->ColCount() - 1;
    bool written = false;
    if (m_settings) {
        written = m_settings->write([&](TIniPlus &ini) { chosen->write(ini, first, last); });
    }
    // The notes are those of what the file now holds, which the next start reads: a line
    // the dialog replaced is gone, a key of a column this window does not have stays.
    QStringList notes;
    if (m_settings)
        TLimits::read(m_settings->ini(), first, last, &notes);
    if (!written)
        notes.prepend(Str::NoteNotWritten.arg(m_settings ? m_settings->path() : QString()));
    // The limits hold for this session even when the file refused them.
    apply(*chosen);
    // A bar the operator never switched follows the limits: it shows once there are some.
    if (!m_barChosen && m_settings)
        m_statsBar->restore(m_settings->ini(), !m_limits.isEmpty());
    m_notes = notes;
    showNotes();
}

void TQualityPanel::apply(const TLimits &limits)
{
    m_limits = limits;
    m_colours->setLimits(limits);
    m_statsBar->setLimits(limits);
    emit limitsChanged(m_limits);
}

void TQualityPanel::showNotes()
{
    if (m_notes.isEmpty()) {
        if (m_notesLabel)
            m_notesLabel->hide();
        return;
    }
    // The status bar is made only for a note: without one the window keeps its whole height.
    if (!m_notesLabel) {
        m_notesLabel = new QLabel(m_status->bar());
        m_notesLabel->setObjectName(QStringLiteral("limitNotes"));
        // A long note is cut at the window's edge rather than widening the window.
        m_notesLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        m_status->place(m_notesLabel, 1);
    }
    m_notesLabel->setText(m_notes.join(QStringLiteral("; ")));
    m_notesLabel->setToolTip(m_notes.join(u'\n'));
    m_notesLabel->show();
}
