#include "windows/ChartLinks.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>

#include "archive/TArchive.h"
#include "charts/TLeveyJenningsWindow.h"
#include "charts/TTrendDock.h"
#include "controls/TColorStringGrid.h"
#include "qc/ControlHistory.h"
#include "settings/TIniPlus.h"
#include "table/TableShape.h"
#include "text/ChartStrings.h"
#include "trend/TrendSeries.h"
#include "windows/TArchiveLink.h"
#include "windows/TQualityPanel.h"

ChartLinks *ChartLinks::fromSettings(const TIniPlus &ini, QMainWindow *window,
                                     TColorStringGrid *grid, TQualityPanel *quality,
                                     TArchiveLink *link)
{
    const int first = TableShape::FirstValueCol;
    const int last = grid->ColCount() - 1;
    ControlMaterials materials;
    if (ini.SectionExists(ControlMaterials::Section))
        materials = ControlMaterials::read(ini, first, last);
    QList<int> columns;
    if (ini.SectionExists(TrendSeries::Section))
        columns = TrendSeries::readColumns(ini, first, last);
    if (materials.isEmpty() && columns.isEmpty())
        return nullptr;
    auto *made = new ChartLinks(window, grid, quality, link);
    made->m_materials = std::move(materials);
    made->m_trendColumns = columns;
    QMenu *menu = quality->serviceMenu();
    if (!made->m_materials.isEmpty()) {
        made->m_ljAction = menu->addAction(Str::ActLeveyJennings);
        made->m_ljAction->setObjectName(QStringLiteral("actLeveyJennings"));
        connect(made->m_ljAction, &QAction::triggered, made, &ChartLinks::openLeveyJennings);
    }
    if (!columns.isEmpty()) {
        made->m_trendAction = menu->addAction(Str::ActTrend);
        made->m_trendAction->setObjectName(QStringLiteral("actTrend"));
        made->m_trendAction->setCheckable(true);
        connect(made->m_trendAction, &QAction::toggled, made, &ChartLinks::showTrend);
    }
    return made;
}

ChartLinks::ChartLinks(QMainWindow *window, TColorStringGrid *grid, TQualityPanel *quality,
                       TArchiveLink *link)
    : QObject(window)
    , m_window(window)
    , m_grid(grid)
    , m_quality(quality)
    , m_link(link)
{}

void ChartLinks::openLeveyJennings()
{
    if (m_lj) {
        m_lj->raise();
        return;
    }
    // Read afresh each time: the archive holds the controls as their labels now read.
    m_lj = new TLeveyJenningsWindow(
        m_materials,
        [this](int material) {
            return ControlHistory::read(m_link->archive(), m_materials, material,
                                        m_link->modelName());
        },
        [this](int col) { return m_grid->Cells(col, 0); }, m_window);
    m_lj->setAttribute(Qt::WA_DeleteOnClose);
    m_lj->show();
}

void ChartLinks::showTrend(bool on)
{
    if (on && m_trend && !m_trend->isVisible()) {
        // Hidden, it followed nothing.
        m_trend->reload();
    } else if (on && !m_trend) {
        QStringList titles;
        for (int col : m_trendColumns)
            titles << m_grid->Cells(col, 0);
        m_trend = new TTrendDock(
            m_trendColumns, titles, m_quality->limits(),
            [this]() -> const TRowStore & { return m_grid->Rows(); }, m_window);
        m_window->addDockWidget(Qt::RightDockWidgetArea, m_trend);
        // Closed by its own button, the dock unchecks its item.
        connect(m_trend->toggleViewAction(), &QAction::toggled, m_trendAction, &QAction::setChecked);
        QAbstractItemModel *model = m_grid->model();
        connect(model, &QAbstractItemModel::modelReset, m_trend, &TTrendDock::reload);
        connect(model, &QAbstractItemModel::rowsRemoved, m_trend, &TTrendDock::reload);
        connect(m_quality, &TQualityPanel::limitsChanged, m_trend, &TTrendDock::setLimits);
    }
    if (m_trend)
        m_trend->setVisible(on);
}

void ChartLinks::resultRow(int row)
{
    if (m_trend && m_trend->isVisible())
        m_trend->resultRow(TableShape::storeRow(row));
}
