#pragma once

// Calibration of a value column against reference samples: the chosen samples with the
// instrument's values, a reference value typed beside each, and the least-squares line with
// n, r and the residual SD (or why there is none) shown as they are typed. "Принять" is open
// only for a line that was computed, and hands it to the owner to keep.

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <QDialog>
#include <QList>
#include <QUuid>

#include "archive/CalibrationStore.h"
#include "qc/Calibration.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

class TCalibrationDialog : public QDialog
{
    Q_OBJECT
public:
    struct Sample
    {
        QUuid result;
        QString label;
        std::vector<std::optional<double>> values; // by value number
    };

    // columns: value number and title; inForce: the text of each column's calibration in force.
    TCalibrationDialog(const QList<std::pair<int, QString>> &columns, std::vector<Sample> samples,
                       std::map<int, QString> inForce, QWidget *parent = nullptr);

    // Keeps the accepted line of the column with its samples; false with the reason.
    std::function<bool(int column, const Calibration &calibration,
                       const std::vector<CalibrationSample> &samples, QString *error)>
        keep;

    // More samples, picked elsewhere (archived results); the button shows only with it set.
    void setPicker(std::function<std::vector<Sample>()> pick);
    void addSamples(std::vector<Sample> samples);

    int column() const;
    // The line of the chosen column from the samples with a reference typed.
    Calibration calibration() const { return m_fit; }
    QString fitText() const;

    QComboBox *columnBox = nullptr;
    QTableWidget *table = nullptr;
    QLabel *fitLabel = nullptr;
    QLabel *inForceLabel = nullptr;
    QPushButton *acceptButton = nullptr;
    QPushButton *pickButton = nullptr;

private:
    void showColumn();
    void refit();
    void acceptLine();
    // The samples of the chosen column with their typed references; the first row whose
    // reference is no number, or -1.
    std::vector<CalibrationSample> entered(int *badRow) const;

    void keepTyped();

    std::function<std::vector<Sample>()> m_pick;
    std::vector<Sample> m_samples;
    std::map<int, QString> m_inForce;
    std::map<int, QStringList> m_typed; // by column, kept while another column is chosen
    int m_shown = -1;
    bool m_filling = false;
    Calibration m_fit;
    QString m_problem;
};
