#pragma once

// The Levey-Jennings chart of a window's control materials: the material and the column
// are chosen above the chart, the period below it (the whole of the material's controls at
// first). The controls in time order with the target and the ±1, 2 and 3 SD lines; the
// points that violate a Westgard rule stand out, each series of them named and labelled by
// its rules. The chart prints, and is saved as PDF (the drawing the printer gets) or PNG.

#include <functional>
#include <optional>
#include <vector>

#include <QDialog>

#include "qc/ControlMaterials.h"
#include "qc/LeveyJennings.h"

class QChart;
class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;

class TLeveyJenningsWindow : public QDialog
{
    Q_OBJECT
public:
    using History = std::function<std::optional<std::vector<ControlResult>>(int material)>;
    using Title = std::function<QString(int col)>;

    TLeveyJenningsWindow(ControlMaterials materials, History history, Title title,
                         QWidget *parent = nullptr);

    // The chosen material and its column; the period is widened to all its controls.
    void choose(int material, int col);
    // The days shown, both included.
    void setPeriod(const QDate &from, const QDate &to);
    void showAll();

    QChart *chart() const { return m_chart; }
    QChartView *view() const { return m_view; }
    const LeveyJenningsChart &data() const { return m_data; }

    bool savePdf(const QString &path);
    bool savePng(const QString &path);
    void print();

    // The save dialog, given the file filter; tests replace it to answer without a person.
    std::function<QString(const QString &filter)> askFileName;

private:
    void materialChosen();
    void redraw();
    void saveAs(bool pdf);
    QString title() const;

    ControlMaterials m_materials;
    History m_history;
    Title m_title;
    std::optional<std::vector<ControlResult>> m_controls;
    LeveyJenningsChart m_data;
    QComboBox *m_material = nullptr;
    QComboBox *m_column = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QLabel *m_note = nullptr;
    QChart *m_chart = nullptr;
    QChartView *m_view = nullptr;
    bool m_choosing = false;
};
