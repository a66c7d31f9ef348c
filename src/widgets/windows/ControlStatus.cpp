#include "windows/ControlStatus.h"

#include <QStatusBar>

#include "archive/TArchive.h"
#include "controls/TColorStringGrid.h"
#include "controls/TElidedLabel.h"
#include "qc/ControlHistory.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "windows/TArchiveLink.h"
#include "windows/TWindowStatus.h"

ControlStatus *ControlStatus::fromSettings(const TIniPlus &ini, TColorStringGrid *grid,
                                           TWindowStatus *status, TArchiveLink *link,
                                           QObject *parent)
{
    if (!ini.SectionExists(ControlMaterials::Section))
        return nullptr;
    QStringList notes;
    ControlMaterials materials = ControlMaterials::read(ini, TableShape::FirstValueCol,
                                                        grid->ColCount() - 1, &notes);
    if (materials.isEmpty())
        return nullptr;
    auto *made = new ControlStatus(std::move(materials), grid, link, parent);
    made->m_label = new TElidedLabel(status->bar());
    made->m_label->setObjectName(QStringLiteral("ControlStatus"));
    made->m_notes = notes.join(u'\n');
    status->place(made->m_label);
    made->show();
    return made;
}

ControlStatus::ControlStatus(ControlMaterials materials, TColorStringGrid *grid, TArchiveLink *link,
                             QObject *parent)
    : QObject(parent)
    , m_grid(grid)
    , m_link(link)
    , m_monitor(std::move(materials), [this](int material) {
        return ControlHistory::read(m_link->archive(), m_monitor.materials(), material,
                                    m_link->modelName());
    })
{
    connect(&link->archive(), &TArchive::stateChanged, this, &ControlStatus::archiveChanged);
}

void ControlStatus::archiveChanged()
{
    if (m_link->archive().state() != ArchiveState::Ok)
        return;
    // Once the archive opens, the controls it holds from before tell the state; later, what
    // could not be read is judged now that it can.
    if (!m_read) {
        m_read = true;
        m_monitor.judgeAll();
    } else if (m_monitor.hasUnread()) {
        m_monitor.rejudge();
    }
    show();
}

void ControlStatus::resultRow(int row)
{
    if (m_monitor.labelled(m_grid->Cells(TableShape::LabelCol, row)))
        show();
}

void ControlStatus::labelChanged(int row)
{
    // The open row holds no result yet: its label counts when the result comes.
    if (m_grid->Cells(TableShape::DateCol, row).isEmpty())
        return;
    m_monitor.relabelled(m_grid->Cells(TableShape::LabelCol, row));
    show();
}

void ControlStatus::show()
{
    const QcState state = m_monitor.state();
    m_label->setFullText(ControlMonitor::describe(state,
                                                  [this](int col) { return m_grid->Cells(col, 0); }),
                         m_notes);
    TWindowStatus::showTrouble(m_label, state.isTrouble());
}
