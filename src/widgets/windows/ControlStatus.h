#pragma once

// The control state in the status bar of a window whose settings name control materials
// (section "Control"): "Контроль: нет данных" until a control is judged, then its verdict
// as ControlMonitor gives it, a rejection in red. The state is judged again when a result
// comes with a control's label, when a result's label is changed, and when the archive can
// be read again after it could not. The notes on lines of the section that could not be
// taken are the label's tooltip. A window whose settings hold no material gets none of it.

#include <QObject>

#include "qc/ControlMonitor.h"

class TArchiveLink;
class TColorStringGrid;
class TElidedLabel;
class TIniPlus;
class TWindowStatus;

class ControlStatus : public QObject
{
    Q_OBJECT
public:
    // nullptr, and nothing made or placed, when the settings hold no material.
    static ControlStatus *fromSettings(const TIniPlus &ini, TColorStringGrid *grid,
                                       TWindowStatus *status, TArchiveLink *link, QObject *parent);

    // Grid row `row` took a result, under the label it holds.
    void resultRow(int row);
    // The label of grid row `row` was changed.
    void labelChanged(int row);

    TElidedLabel *label() const { return m_label; }
    QcState state() const { return m_monitor.state(); }

private:
    ControlStatus(ControlMaterials materials, TColorStringGrid *grid, TArchiveLink *link,
                  QObject *parent);
    void archiveChanged();
    void show();

    TColorStringGrid *m_grid = nullptr;
    TArchiveLink *m_link = nullptr;
    ControlMonitor m_monitor;
    TElidedLabel *m_label = nullptr;
    QString m_notes;
    bool m_read = false; // the archive's earlier controls were judged once it opened
};
