#include "reception/TReceptionReportDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "export/ExportStrings.h"
#include "export/TExportDialog.h"
#include "export/TPdfExport.h"
#include "export/TReportPrint.h"
#include "export/TXlsxExport.h"
#include "reception/ReceptionShift.h"
#include "reception/ReceptionTables.h"
#include "text/ReceptionStrings.h"

namespace S = ReceptionStrings;

namespace {

QDateEdit *dateEdit(QWidget *parent)
{
    auto *edit = new QDateEdit(QDate::currentDate(), parent);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return edit;
}

} // namespace

TReceptionReportDialog::TReceptionReportDialog(Deliveries deliveries, int eveningHour,
                                               QWidget *parent)
    : QDialog(parent)
    , m_sources{std::move(deliveries)}
    , m_eveningHour(eveningHour)
{
    setWindowTitle(S::ReportsCaption);
    buildFields();
}

void TReceptionReportDialog::addSource(const QString &name, Deliveries deliveries)
{
    m_sources.append(std::move(deliveries));
    m_source->addItem(name);
    m_source->setVisible(m_sources.size() > 1);
    m_sourceLabel->setVisible(m_sources.size() > 1);
}

QList<Delivery> TReceptionReportDialog::read(const QDateTime &from, const QDateTime &to,
                                             const QString &code, QString *error) const
{
    const int index = qBound(0, m_source->currentIndex(), int(m_sources.size()) - 1);
    QString failed;
    const QList<Delivery> got = m_sources[index](from, to, code, &failed);
    if (!failed.isEmpty())
        *error = failed;
    return got;
}

void TReceptionReportDialog::buildFields()
{
    m_mode = new QComboBox(this);
    m_mode->addItems({S::ModeDay, S::ModeStatement});
    m_source = new QComboBox(this);
    m_source->addItem(S::SourceArchive);
    m_sourceLabel = new QLabel(S::LabelSource, this);
    m_source->hide();
    m_sourceLabel->hide();
    m_pages = new QStackedWidget(this);

    auto *dayPage = new QWidget(m_pages);
    auto *dayForm = new QFormLayout(dayPage);
    m_day = dateEdit(dayPage);
    m_shift = new QComboBox(dayPage);
    m_shift->addItems({S::WholeDay, S::ShiftMorning, S::ShiftEvening});
    dayForm->addRow(S::LabelDay, m_day);
    dayForm->addRow(S::LabelShift, m_shift);
    m_pages->addWidget(dayPage);

    auto *statementPage = new QWidget(m_pages);
    auto *statementForm = new QFormLayout(statementPage);
    m_supplier = new QComboBox(statementPage);
    m_from = dateEdit(statementPage);
    m_from->setDate(QDate::currentDate().addDays(1 - QDate::currentDate().day()));
    m_to = dateEdit(statementPage);
    statementForm->addRow(S::LabelSupplier, m_supplier);
    statementForm->addRow(S::LabelFrom, m_from);
    statementForm->addRow(S::LabelTo, m_to);
    m_pages->addWidget(statementPage);
    connect(m_mode, &QComboBox::currentIndexChanged, m_pages, &QStackedWidget::setCurrentIndex);

    auto *printButton = new QPushButton(S::ActPrint, this);
    auto *pdfButton = new QPushButton(S::ActPdf, this);
    auto *xlsxButton = new QPushButton(S::ActXlsx, this);
    auto *closeButton = new QPushButton(S::ActClose, this);
    connect(printButton, &QPushButton::clicked, this, &TReceptionReportDialog::print);
    connect(pdfButton, &QPushButton::clicked, this, &TReceptionReportDialog::askPdf);
    connect(xlsxButton, &QPushButton::clicked, this, &TReceptionReportDialog::askXlsx);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(printButton);
    buttons->addWidget(pdfButton);
    buttons->addWidget(xlsxButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto *layout = new QVBoxLayout(this);
    auto *source = new QHBoxLayout;
    source->addWidget(m_sourceLabel);
    source->addWidget(m_source, 1);
    layout->addLayout(source);
    layout->addWidget(m_mode);
    layout->addWidget(m_pages);
    layout->addStretch();
    layout->addLayout(buttons);
}

void TReceptionReportDialog::setSuppliers(const QList<QPair<QString, QString>> &suppliers)
{
    m_suppliers = suppliers;
    m_supplier->clear();
    for (const auto &supplier : suppliers)
        m_supplier->addItem(supplier.first + QStringLiteral(" — ") + supplier.second);
}

void TReceptionReportDialog::setHeaderFacts(const TProtocolHeader &facts)
{
    m_facts = facts;
}

TReceptionReportDialog::Mode TReceptionReportDialog::mode() const
{
    return m_mode->currentIndex() == 1 ? Mode::Statement : Mode::Day;
}

bool TReceptionReportDialog::report(TExportTable *table, QString *error) const
{
    const QLocale shown = locale();
    if (mode() == Mode::Day) {
        const QDate day = m_day->date();
        const int shift = m_shift->currentIndex();
        const auto part = shift == 1   ? ReceptionTables::DayPart::Morning
                          : shift == 2 ? ReceptionTables::DayPart::Evening
                                       : ReceptionTables::DayPart::WholeDay;
        const auto range = ReceptionTables::bounds(day, part, m_eveningHour);
        ReceptionShift named;
        named.day = day;
        named.part = part == ReceptionTables::DayPart::Evening ? ReceptionShift::Part::Evening
                                                               : ReceptionShift::Part::Morning;
        const QString when = part == ReceptionTables::DayPart::WholeDay
                                 ? day.toString(QStringLiteral("dd.MM.yyyy"))
                                 : named.name();
        QString failed;
        const QList<Delivery> got = read(range.first, range.second, QString(), &failed);
        if (!failed.isEmpty()) {
            *error = failed;
            return false;
        }
        *table = ReceptionTables::dayReport(DeliveryReport::of(got), S::DayReportName.arg(when),
                                            shown);
        return true;
    }
    const int index = m_supplier->currentIndex();
    if (index < 0 || index >= m_suppliers.size()) {
        *error = S::NoSupplier;
        return false;
    }
    const QDate from = m_from->date();
    const QDate to = m_to->date();
    if (from > to) {
        *error = S::PeriodWrong;
        return false;
    }
    const QString code = m_suppliers[index].first;
    QString failed;
    const QList<Delivery> got = read(QDateTime(from, QTime(0, 0)),
                                     QDateTime(to.addDays(1), QTime(0, 0)), code, &failed);
    if (!failed.isEmpty()) {
        *error = failed;
        return false;
    }
    *table = ReceptionTables::statement(code, m_suppliers[index].second, got, from, to,
                                        m_eveningHour, shown);
    // The statement's own header with what the program knows of the laboratory.
    auto header = std::make_shared<TProtocolHeader>(*table->protocol);
    header->laboratory = m_facts.laboratory;
    header->instrument = m_facts.instrument;
    header->operatorName = m_facts.operatorName;
    table->protocol = header;
    return true;
}

bool TReceptionReportDialog::savePdf(const QString &path, QString *error) const
{
    TExportTable table;
    return report(&table, error) && TPdfExport::write(table, path, font(), error);
}

bool TReceptionReportDialog::saveXlsx(const QString &path, QString *error) const
{
    TExportTable table;
    return report(&table, error)
           && TXlsxExport::write(ReceptionTables::withTotalsAsRows(table), path, error);
}

void TReceptionReportDialog::print()
{
    TExportTable table;
    QString error;
    if (!report(&table, &error) || !TReportPrint::exec(this, table, font(), &error)) {
        if (!error.isEmpty())
            showError(error);
    }
}

void TReceptionReportDialog::askPdf()
{
    const QString path = askName(Str::FilterPdf, TExportFormat::Pdf);
    QString error;
    if (!path.isEmpty() && !savePdf(path, &error))
        showError(error);
}

void TReceptionReportDialog::askXlsx()
{
    const QString path = askName(Str::FilterXlsx, TExportFormat::Xlsx);
    QString error;
    if (!path.isEmpty() && !saveXlsx(path, &error))
        showError(error);
}

QString TReceptionReportDialog::askName(const QString &filter, TExportFormat format)
{
    const QString name = QFileDialog::getSaveFileName(this, S::ReportsCaption, QString(), filter);
    return name.isEmpty() ? name : TExportDialog::withSuffix(name, format);
}

void TReceptionReportDialog::showError(const QString &error)
{
    QMessageBox::warning(this, S::ReportsCaption, error);
}
