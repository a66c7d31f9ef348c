#pragma once

// The charts of a registration window, as items of its "Сервис" menu: "Карта
// Леви-Дженнингса…" when the settings name a control material (as the control state in the
// status bar needs), and "Тренд результатов", a dock beside the table, when section "Trend"
// names columns to draw. A window whose settings hold neither gets no item and nothing else.

#include <QList>
#include <QObject>
#include <QPointer>

#include "charts/TLeveyJenningsWindow.h"
#include "qc/ControlMaterials.h"

class QAction;
class QMainWindow;
class TArchiveLink;
class TColorStringGrid;
class TIniPlus;
class TQualityPanel;
class TTrendDock;

class ChartLinks : public QObject
{
    Q_OBJECT
public:
    // nullptr, and nothing added, when the settings ask for no chart.
    static ChartLinks *fromSettings(const TIniPlus &ini, QMainWindow *window,
                                    TColorStringGrid *grid, TQualityPanel *quality,
                                    TArchiveLink *link);

    // Grid row `row` took a result.
    void resultRow(int row);

    QAction *leveyJenningsAction() const { return m_ljAction; }
    QAction *trendAction() const { return m_trendAction; }
    // The chart window last opened, while it is open.
    TLeveyJenningsWindow *leveyJennings() const { return m_lj; }
    TTrendDock *trend() const { return m_trend; }

    void openLeveyJennings();
    void showTrend(bool on);

private:
    ChartLinks(QMainWindow *window, TColorStringGrid *grid, TQualityPanel *quality,
               TArchiveLink *link);

    QMainWindow *m_window = nullptr;
    TColorStringGrid *m_grid = nullptr;
    TQualityPanel *m_quality = nullptr;
    TArchiveLink *m_link = nullptr;
    ControlMaterials m_materials;
    QList<int> m_trendColumns;
    QAction *m_ljAction = nullptr;
    QAction *m_trendAction = nullptr;
    QPointer<TLeveyJenningsWindow> m_lj;
    TTrendDock *m_trend = nullptr;
};
