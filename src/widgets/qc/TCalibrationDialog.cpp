#include "qc/TCalibrationDialog.h"

#include <algorithm>

#include <cmath>
#include <utility>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "results/LocaleFormats.h"
#include "table/ShownNumber.h"
#include "text/QcStrings.h"

namespace {

constexpr int InstrumentCol = 1;
constexpr int ReferenceCol = 2;

QTableWidgetItem *fixedItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

TCalibrationDialog::TCalibrationDialog(const QList<std::pair<int, QString>> &columns,
                                       std::vector<Sample> samples, std::map<int, QString> inForce,
                                       QWidget *parent)
    : QDialog(parent)
    , m_samples(std::move(samples))
    , m_inForce(std::move(inForce))
{
    setWindowTitle(Str::CalCaption);
    columnBox = new QComboBox(this);
    for (const auto &[number, title] : columns)
        columnBox->addItem(title, number);
    table = new QTableWidget(0, 3, this);
    table->setHorizontalHeaderLabels(
        {Str::CalSampleTitle, Str::CalInstrumentTitle, Str::CalReferenceTitle});
    table->horizontalHeader()->setStretchLastSection(true);
    inForceLabel = new QLabel(this);
    fitLabel = new QLabel(this);
    fitLabel->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    acceptButton = buttons->addButton(Str::CalAccept, QDialogButtonBox::AcceptRole);
    pickButton = buttons->addButton(Str::CalFromArchive, QDialogButtonBox::ActionRole);
    pickButton->hide();
    connect(pickButton, &QPushButton::clicked, this, [this] {
        if (m_pick)
            addSamples(m_pick());
    });
    auto *form = new QFormLayout;
    form->addRow(Str::CalColumn, columnBox);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(table);
    layout->addWidget(inForceLabel);
    layout->addWidget(fitLabel);
    layout->addWidget(buttons);
    connect(columnBox, &QComboBox::currentIndexChanged, this, [this] { showColumn(); });
    connect(table, &QTableWidget::itemChanged, this, [this] {
        if (!m_filling)
            refit();
    });
    connect(acceptButton, &QPushButton::clicked, this, [this] { acceptLine(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    addSamples(std::exchange(m_samples, {}));
    // Wide enough for the labels and the numbers side by side, and for a handful of samples.
    table->resizeColumnsToContents();
    resize(std::max(sizeHint().width(), 560), std::max(sizeHint().height(), 440));
}

void TCalibrationDialog::setPicker(std::function<std::vector<Sample>()> pick)
{
    m_pick = std::move(pick);
    pickButton->setVisible(bool(m_pick));
}

void TCalibrationDialog::addSamples(std::vector<Sample> samples)
{
    keepTyped();
    m_filling = true;
    for (Sample &s : samples) {
        const int r = table->rowCount();
        table->insertRow(r);
        table->setItem(r, 0, fixedItem(s.label));
        m_samples.push_back(std::move(s));
    }
    m_filling = false;
    m_shown = -1; // what was typed is kept already
    showColumn();
}

int TCalibrationDialog::column() const
{
    return columnBox->currentIndex() < 0 ? -1 : columnBox->currentData().toInt();
}

void TCalibrationDialog::keepTyped()
{
    // What was typed for the column left stays with it.
    if (m_shown < 0)
        return;
    QStringList &typed = m_typed[m_shown];
    typed.clear();
    for (int r = 0; r < table->rowCount(); ++r)
        typed << (table->item(r, ReferenceCol) ? table->item(r, ReferenceCol)->text() : QString());
}

void TCalibrationDialog::showColumn()
{
    keepTyped();
    m_shown = column();
    m_filling = true;
    const QStringList typed = m_typed[m_shown];
    for (int r = 0; r < table->rowCount(); ++r) {
        const std::vector<std::optional<double>> &values = m_samples[size_t(r)].values;
        const bool has = m_shown >= 0 && m_shown < int(values.size()) && values[size_t(m_shown)];
        table->setItem(r, InstrumentCol,
                       fixedItem(has ? FormatValue(*values[size_t(m_shown)], locale()) : QString()));
        table->setItem(r, ReferenceCol,
                       new QTableWidgetItem(r < typed.size() ? typed[r] : QString()));
    }
    m_filling = false;
    const auto it = m_inForce.find(m_shown);
    inForceLabel->setText(it == m_inForce.end() ? QString() : it->second);
    inForceLabel->setVisible(it != m_inForce.end());
    refit();
}

std::vector<CalibrationSample> TCalibrationDialog::entered(int *badRow) const
{
    *badRow = -1;
    std::vector<CalibrationSample> out;
    const ShownNumber reader = ShownNumber::typed(locale());
    for (int r = 0; r < table->rowCount(); ++r) {
        const QTableWidgetItem *item = table->item(r, ReferenceCol);
        const QString text = item ? item->text().trimmed() : QString();
        const std::vector<std::optional<double>> &values = m_samples[size_t(r)].values;
        if (text.isEmpty() || m_shown < 0 || m_shown >= int(values.size())
            || !values[size_t(m_shown)])
            continue;
        ShownNumber::Value v;
        if (!reader.read(QStringView(text), &v)) {
            if (*badRow < 0)
                *badRow = r;
            continue;
        }
        out.push_back({m_samples[size_t(r)].result, m_samples[size_t(r)].label,
                       *values[size_t(m_shown)], v.value});
    }
    return out;
}

void TCalibrationDialog::refit()
{
    int bad = -1;
    const std::vector<CalibrationSample> samples = entered(&bad);
    std::vector<double> x;
    std::vector<double> y;
    for (const CalibrationSample &s : samples) {
        x.push_back(s.measured);
        y.push_back(s.reference);
    }
    m_fit = Calibration::fit(x, y);
    m_problem = bad < 0
                    ? QString()
                    : Str::CalBadReference.arg(bad + 1).arg(table->item(bad, ReferenceCol)->text());
    fitLabel->setText(fitText());
    acceptButton->setEnabled(m_fit.isValid() && m_problem.isEmpty());
}

QString TCalibrationDialog::fitText() const
{
    if (!m_problem.isEmpty())
        return m_problem;
    if (!m_fit.isValid())
        return Str::CalRefused.arg(m_fit.refusalText());
    const QLocale l = locale();
    return Str::CalFit.arg(m_fit.count())
        .arg(l.toString(m_fit.slope(), 'f', 4), l.toString(m_fit.intercept(), 'f', 4),
             l.toString(m_fit.r(), 'f', 4), l.toString(m_fit.residualSd(), 'f', 4));
}

void TCalibrationDialog::acceptLine()
{
    int bad = -1;
    const std::vector<CalibrationSample> samples = entered(&bad);
    if (!m_fit.isValid() || bad >= 0 || !keep)
        return;
    QString error;
    if (keep(column(), m_fit, samples, &error)) {
        accept();
        return;
    }
    fitLabel->setText(Str::CalAcceptFailed.arg(error));
}
