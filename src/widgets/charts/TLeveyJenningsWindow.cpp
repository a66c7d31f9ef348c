#include "charts/TLeveyJenningsWindow.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include "charts/TChartOutput.h"
#include "text/ChartStrings.h"
#include "trend/TrendEnvelope.h"

namespace {

const QString DateFormat = QStringLiteral("dd.MM.yyyy");
// How many controls a period may hold and still show a mark each, and how many violations
// are still named at their points.
constexpr std::size_t MarkedPointsMax = 500;
constexpr std::size_t LabelledPointsMax = 200;

QColor lineColour(int k)
{
    switch (std::abs(k)) {
    case 0:
        return QColor(0x20, 0x20, 0x20);
    case 1:
        return QColor(0x60, 0xa0, 0x60);
    case 2:
        return QColor(0xe6, 0x9f, 0x00);
    default:
        return QColor(0xb0, 0x00, 0x00);
    }
}

} // namespace

TLeveyJenningsWindow::TLeveyJenningsWindow(ControlMaterials materials, History history, Title title,
                                           QWidget *parent)
    : QDialog(parent)
    , m_materials(std::move(materials))
    , m_history(std::move(history))
    , m_title(std::move(title))
{
    setWindowTitle(Str::LjCaption);
    setObjectName(QStringLiteral("leveyJennings"));
    m_material = new QComboBox(this);
    m_material->setObjectName(QStringLiteral("ljMaterial"));
    for (const ControlMaterial &m : m_materials.list())
        m_material->addItem(m.name);
    m_column = new QComboBox(this);
    m_column->setObjectName(QStringLiteral("ljColumn"));
    m_from = new QDateEdit(this);
    m_from->setObjectName(QStringLiteral("ljFrom"));
    m_to = new QDateEdit(this);
    m_to->setObjectName(QStringLiteral("ljTo"));
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setDisplayFormat(DateFormat);
        edit->setCalendarPopup(true);
        connect(edit, &QDateEdit::dateChanged, this, [this] {
            if (!m_choosing)
                redraw();
        });
    }
    auto *all = new QPushButton(Str::LjAllTime, this);
    connect(all, &QPushButton::clicked, this, &TLeveyJenningsWindow::showAll);

    auto *pickers = new QHBoxLayout;
    pickers->addWidget(new QLabel(Str::LjMaterial, this));
    pickers->addWidget(m_material, 1);
    pickers->addWidget(new QLabel(Str::LjColumn, this));
    pickers->addWidget(m_column, 1);
    pickers->addWidget(new QLabel(Str::LjFrom, this));
    pickers->addWidget(m_from);
    pickers->addWidget(new QLabel(Str::LjTo, this));
    pickers->addWidget(m_to);
    pickers->addWidget(all);

    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_view = new QChartView(m_chart, this);
    m_view->setRenderHint(QPainter::Antialiasing);
    // A drawn rectangle zooms to it; the right button steps back.
    m_view->setRubberBand(QChartView::RectangleRubberBand);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("ljNote"));
    m_note->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *print = buttons->addButton(Str::ActChartPrint, QDialogButtonBox::ActionRole);
    QPushButton *pdf = buttons->addButton(Str::ActChartPdf, QDialogButtonBox::ActionRole);
    QPushButton *png = buttons->addButton(Str::ActChartPng, QDialogButtonBox::ActionRole);
    connect(print, &QPushButton::clicked, this, &TLeveyJenningsWindow::print);
    connect(pdf, &QPushButton::clicked, this, [this] { saveAs(true); });
    connect(png, &QPushButton::clicked, this, [this] { saveAs(false); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(pickers);
    layout->addWidget(m_note);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
    resize(900, 600);

    askFileName = [this](const QString &filter) {
        return QFileDialog::getSaveFileName(this, Str::LjCaption, QString(), filter);
    };
    connect(m_material, &QComboBox::currentIndexChanged, this,
            &TLeveyJenningsWindow::materialChosen);
    connect(m_column, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_choosing)
            showAll();
    });
    materialChosen();
}

void TLeveyJenningsWindow::choose(int material, int col)
{
    m_material->setCurrentIndex(material);
    const int index = m_column->findData(col);
    if (index >= 0)
        m_column->setCurrentIndex(index);
    showAll();
}

void TLeveyJenningsWindow::materialChosen()
{
    const int material = m_material->currentIndex();
    m_choosing = true;
    m_column->clear();
    if (material >= 0) {
        for (int col : m_materials.list()[material].columns())
            m_column->addItem(m_title(col), col);
    }
    m_choosing = false;
    m_controls = material >= 0 ? m_history(material) : std::nullopt;
    m_note->setText(Str::LjUnread);
    m_note->setVisible(material >= 0 && !m_controls);
    showAll();
}

void TLeveyJenningsWindow::showAll()
{
    const int material = m_material->currentIndex();
    const int col = m_column->currentData().toInt();
    m_data = material >= 0 && m_controls
                 ? LeveyJennings::chart(m_materials.list()[material], *m_controls, col)
                 : LeveyJenningsChart{};
    m_choosing = true;
    const QDate first = m_data.points.empty() ? QDate::currentDate()
                                              : m_data.points.front().at.date();
    const QDate last = m_data.points.empty() ? first : m_data.points.back().at.date();
    m_from->setDate(first);
    m_to->setDate(last);
    m_choosing = false;
    redraw();
}

void TLeveyJenningsWindow::setPeriod(const QDate &from, const QDate &to)
{
    m_choosing = true;
    m_from->setDate(from);
    m_to->setDate(to);
    m_choosing = false;
    redraw();
}

QString TLeveyJenningsWindow::title() const
{
    return (m_data.hasTarget() ? Str::LjTitle : Str::LjNoTarget)
        .arg(m_material->currentText(), m_column->currentText());
}

void TLeveyJenningsWindow::redraw()
{
    m_chart->removeAllSeries();
    for (QAbstractAxis *axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }
    m_chart->setTitle(title());
    const std::vector<LeveyJenningsPoint> points = m_data.period(m_from->date().startOfDay(),
                                                                 m_to->date().endOfDay());

    auto *x = new QDateTimeAxis(m_chart);
    x->setFormat(QStringLiteral("dd.MM HH:mm"));
    auto *y = new QValueAxis(m_chart);
    m_chart->addAxis(x, Qt::AlignBottom);
    m_chart->addAxis(y, Qt::AlignLeft);
    const auto attach = [&](QXYSeries *s) {
        m_chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    };

    qint64 left = m_from->date().startOfDay().toMSecsSinceEpoch();
    qint64 right = m_to->date().endOfDay().toMSecsSinceEpoch();
    double low = m_data.hasTarget() ? m_data.line(-3) : 0;
    double high = m_data.hasTarget() ? m_data.line(3) : 1;
    if (!points.empty()) {
        left = points.front().atMs;
        right = std::max(points.back().atMs, left + 60000);
        if (!m_data.hasTarget())
            low = high = points.front().value;
    }

    auto *values = new QLineSeries(m_chart);
    values->setObjectName(QStringLiteral("values"));
    values->setName(Str::LjValues);
    // A mark on every control while they can be told apart; a long period is drawn as the line.
    values->setPointsVisible(points.size() <= MarkedPointsMax);
    QList<QPointF> shown;
    // Each set of rules violated together is a series of its own, named and labelled by them.
    std::map<QString, QList<QPointF>> violations;
    for (const LeveyJenningsPoint &p : points) {
        const QPointF at(double(p.atMs), p.value);
        shown.append(at);
        low = std::min(low, p.value);
        high = std::max(high, p.value);
        if (!p.rules.isEmpty())
            violations[p.rules.join(QStringLiteral(" "))].append(at);
    }
    if (points.size() > MarkedPointsMax) {
        // A long period draws as its envelope, every peak and dip a screen can show; the
        // violations keep every point of theirs.
        std::vector<TrendPoint> all;
        all.reserve(points.size());
        for (const QPointF &at : shown)
            all.push_back({qint64(at.x()), at.y(), TVerdict::Within});
        TrendEnvelope envelope;
        envelope.load(all);
        shown.clear();
        for (const TrendPoint &p : envelope.drawn())
            shown.append(QPointF(double(p.atMs), p.value));
    }
    values->replace(shown);
    attach(values);

    if (m_data.hasTarget()) {
        for (int k = -3; k <= 3; ++k) {
            auto *line = new QLineSeries(m_chart);
            line->setObjectName(QStringLiteral("sd%1").arg(k));
            line->setName(k == 0 ? Str::LjTarget : Str::LjSdLine.arg(std::abs(k)));
            QPen pen(lineColour(k));
            pen.setStyle(k == 0 ? Qt::SolidLine : Qt::DashLine);
            line->setPen(pen);
            line->replace(
                {QPointF(double(left), m_data.line(k)), QPointF(double(right), m_data.line(k))});
            attach(line);
            // One legend entry for the two lines of each distance.
            if (k < 0)
                m_chart->legend()->markers(line).constFirst()->setVisible(false);
        }
    }
    // The rules are written beside each violation while there are few enough to read; beyond
    // that the legend names each set of rules by its colour.
    std::size_t violated = 0;
    for (const auto &violation : violations)
        violated += std::size_t(violation.second.size());
    for (const auto &violation : violations) {
        auto *marked = new QScatterSeries(m_chart);
        marked->setObjectName(QStringLiteral("violation"));
        marked->setName(violation.first);
        marked->setColor(QColor(0xb0, 0x00, 0x00));
        marked->setMarkerSize(11);
        marked->setPointLabelsFormat(violation.first);
        marked->setPointLabelsVisible(violated <= LabelledPointsMax);
        marked->setPointLabelsClipping(false);
        marked->replace(violation.second);
        attach(marked);
    }
    const double margin = high > low ? (high - low) * 0.05 : 1;
    x->setRange(QDateTime::fromMSecsSinceEpoch(left), QDateTime::fromMSecsSinceEpoch(right));
    y->setRange(low - margin, high + margin);
}

bool TLeveyJenningsWindow::savePdf(const QString &path)
{
    return TChartOutput::savePdf(m_view, path, title());
}

bool TLeveyJenningsWindow::savePng(const QString &path)
{
    return TChartOutput::savePng(m_view, path);
}

void TLeveyJenningsWindow::saveAs(bool pdf)
{
    const QString path = askFileName(pdf ? Str::ChartPdfFilter : Str::ChartPngFilter);
    if (path.isEmpty())
        return;
    if (!(pdf ? savePdf(path) : savePng(path)))
        QMessageBox::warning(this, Str::LjCaption, Str::ChartNotSaved.arg(path));
}

void TLeveyJenningsWindow::print()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!TChartOutput::paint(m_view, &printer))
        QMessageBox::warning(this, Str::LjCaption, Str::ChartNotPrinted);
}
