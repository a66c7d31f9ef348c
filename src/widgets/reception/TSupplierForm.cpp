#include "reception/TSupplierForm.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "text/ReceptionStrings.h"

namespace S = ReceptionStrings;

TSupplierForm::TSupplierForm(Mode mode, const Supplier &supplier, Problem problem, QWidget *parent)
    : QDialog(parent)
    , m_problem(std::move(problem))
{
    setWindowTitle(mode == Mode::Add ? S::FormAddCaption : S::FormEditCaption.arg(supplier.code));
    auto *form = new QFormLayout;
    m_code = addText(form, S::FormCode, supplier.code);
    m_code->setReadOnly(mode == Mode::Edit);
    m_name = addText(form, S::FormName, supplier.name);
    m_farm = addText(form, S::FormFarm, supplier.farm);
    m_route = addText(form, S::FormRoute, supplier.route);
    m_milkType = addText(form, S::FormMilkType, supplier.milkType);
    addDate(form, S::FormActiveFrom, supplier.activeFrom, &m_from, &m_fromNone);
    addDate(form, S::FormActiveTo, supplier.activeTo, &m_to, &m_toNone);

    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #c00000"));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &TSupplierForm::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(m_buttons);
    (mode == Mode::Add ? m_code : m_name)->setFocus();
    check();
}

QLineEdit *TSupplierForm::addText(QFormLayout *form, const QString &label, const QString &text)
{
    auto *edit = new QLineEdit(text, this);
    connect(edit, &QLineEdit::textChanged, this, &TSupplierForm::check);
    form->addRow(label, edit);
    return edit;
}

void TSupplierForm::addDate(QFormLayout *form, const QString &label, const QDate &date,
                            QDateEdit **edit, QCheckBox **none)
{
    *edit = new QDateEdit(date.isNull() ? QDate::currentDate() : date, this);
    (*edit)->setCalendarPopup(true);
    (*edit)->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    (*edit)->setEnabled(!date.isNull());
    *none = new QCheckBox(S::FormNoDate, this);
    (*none)->setChecked(date.isNull());
    connect(*none, &QCheckBox::toggled, *edit, &QWidget::setDisabled);
    connect(*none, &QCheckBox::toggled, this, &TSupplierForm::check);
    connect(*edit, &QDateEdit::dateChanged, this, &TSupplierForm::check);
    auto *row = new QHBoxLayout;
    row->addWidget(*edit);
    row->addWidget(*none);
    row->addStretch();
    form->addRow(label, row);
}

Supplier TSupplierForm::supplier() const
{
    Supplier s;
    s.code = m_code->text().trimmed();
    s.name = m_name->text().trimmed();
    s.farm = m_farm->text().trimmed();
    s.route = m_route->text().trimmed();
    s.milkType = m_milkType->text().trimmed();
    if (!m_fromNone->isChecked())
        s.activeFrom = m_from->date();
    if (!m_toNone->isChecked())
        s.activeTo = m_to->date();
    return s;
}

void TSupplierForm::check()
{
    const QString said = m_problem ? m_problem(supplier()) : QString();
    m_message->setText(said);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(said.isEmpty());
}

void TSupplierForm::accept()
{
    check();
    if (m_message->text().isEmpty())
        QDialog::accept();
}
