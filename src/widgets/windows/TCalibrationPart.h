#pragma once

// Calibration against reference samples in a registration window whose settings turn it on
// (section "Calibration", `Enabled=1`): "Сервис" → "Калибровка…" fits and keeps a line per
// column from the selected rows, and "Поправки в файл результатов" is the operator's switch.
// A result that comes while a calibration is in force for its model and column shows the
// corrected value marked "*", the instrument's value in the cell's tooltip; the archive keeps
// both. The results file carries the corrected value only with the switch on. A window whose
// settings do not turn it on gets none of it.

#include <deque>
#include <functional>
#include <map>

#include <QObject>
#include <QUuid>

#include "qc/CalibrationSettings.h"
#include "qc/ColumnCorrections.h"
#include "qc/TCalibrationDialog.h"

class QAction;
class QMenu;
class TArchiveLink;
class TArchiveDialog;
class TColorStringGrid;
class TIniPlus;
struct TDecodedResult;
struct TExportTable;

class TCalibrationPart : public QObject
{
    Q_OBJECT
public:
    // nullptr, and nothing made or placed, when the settings do not turn calibration on.
    static TCalibrationPart *fromSettings(const TIniPlus &ini, TColorStringGrid *grid,
                                          QMenu *service, TArchiveLink *link, QObject *parent);

    // The calibrations in force, read again from the archive.
    void reload();
    // A result about to be written into grid row `row`: its corrected values are noted, and
    // with the switch on they replace the instrument's in the cells.
    void correct(int row, TDecodedResult &result);
    // Grid row `row` holds the result now, archived: the archive gets its corrections.
    void resultRow(int row);
    // The table was replaced: its rows hold no corrected values.
    void tableCleared() { m_rows.clear(); }
    void writeSettings(TIniPlus &ini) const { m_settings.write(ini); }

    // A line after the exported rows that names the columns whose values the table holds
    // corrected (the switch was on when they came); nothing when it holds none.
    void markExport(TExportTable &table) const;

    // "Калибровка…": the dialog over the selected rows.
    void calibrate();
    bool toFile() const { return m_settings.toFile; }
    const ColumnCorrections &corrections() const { return m_corrections; }
    // The correction shown in a cell, nullptr for none.
    const AppliedCorrection *cellCorrection(int col, int row) const;

    QAction *calibrateAction = nullptr;
    QAction *toFileAction = nullptr;
    // Runs the dialog; tests replace it to fill and accept it themselves.
    std::function<void(TCalibrationDialog &)> runDialog;
    // Runs the archive's search for more samples; its "open" takes the chosen results.
    std::function<void(TArchiveDialog &)> runPicker;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::vector<TCalibrationDialog::Sample> pickArchived();
    void writeWaiting();

    struct Unwritten
    {
        QUuid result;
        int column = 0;
        AppliedCorrection correction;
    };

    TCalibrationPart(CalibrationSettings settings, TColorStringGrid *grid, TArchiveLink *link,
                     QObject *parent);

    CalibrationSettings m_settings;
    TColorStringGrid *m_grid = nullptr;
    TArchiveLink *m_link = nullptr;
    ColumnCorrections m_corrections;
    bool m_loaded = false;
    // By grid row and grid column: what each corrected cell shows and came as.
    std::map<int, std::map<int, AppliedCorrection>> m_rows;
    std::deque<Unwritten> m_unwritten; // corrections the archive could not take yet
};
