#include "reception/TSupplierRegisterDialog.h"

#include <QCollator>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "reception/TSupplierForm.h"
#include "text/ReceptionStrings.h"

namespace S = ReceptionStrings;

namespace {

// Codes compare as the register matches a label: case and surrounding blanks aside.
QString key(const QString &code)
{
    return code.trimmed().toCaseFolded();
}

QString dayText(const QDate &day)
{
    return day.isNull() ? QString() : day.toString(QStringLiteral("dd.MM.yyyy"));
}

QTableWidget *makeTable(bool withVersion, QWidget *parent)
{
    QStringList titles{S::ColCode,     S::ColSupplier,   S::ColFarm,    S::ColRoute,
                       S::ColMilkType, S::ColActiveFrom, S::ColActiveTo};
    if (withVersion)
        titles.insert(1, S::ColVersion);
    auto *table = new QTableWidget(0, int(titles.size()), parent);
    table->setHorizontalHeaderLabels(titles);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void fill(QTableWidget *table, const QList<Supplier> &suppliers, bool withVersion)
{
    table->clearContents();
    table->setRowCount(int(suppliers.size()));
    for (int row = 0; row < suppliers.size(); ++row) {
        const Supplier &s = suppliers[row];
        QStringList cells{s.code, s.name, s.farm, s.route, s.milkType};
        cells << dayText(s.activeFrom) << dayText(s.activeTo);
        if (withVersion)
            cells.insert(1, QString::number(s.version));
        for (int col = 0; col < cells.size(); ++col)
            table->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    table->resizeColumnsToContents();
}

} // namespace

TSupplierRegisterDialog::TSupplierRegisterDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(S::RegisterCaption);
    runForm = [](TSupplierForm &form) { return form.exec() == QDialog::Accepted; };
    runHistory = [](QDialog &dialog) { dialog.exec(); };
    showMessage = [this](const QString &text) {
        QMessageBox::warning(this, S::RegisterCaption, text);
    };

    m_table = makeTable(false, this);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
            &TSupplierRegisterDialog::updateButtons);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &TSupplierRegisterDialog::editSupplier);

    auto *add = new QPushButton(S::ActAdd, this);
    m_edit = new QPushButton(S::ActEdit, this);
    m_history = new QPushButton(S::ActHistory, this);
    auto *close = new QPushButton(S::ActClose, this);
    connect(add, &QPushButton::clicked, this, &TSupplierRegisterDialog::addSupplier);
    connect(m_edit, &QPushButton::clicked, this, &TSupplierRegisterDialog::editSupplier);
    connect(m_history, &QPushButton::clicked, this, &TSupplierRegisterDialog::showHistory);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_history);
    buttons->addStretch();
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
    resize(760, 480);
    updateButtons();
}

void TSupplierRegisterDialog::showEvent(QShowEvent *event)
{
    reload();
    QDialog::showEvent(event);
}

void TSupplierRegisterDialog::reload()
{
    const QString selected = m_table->currentRow() >= 0 && m_table->currentRow() < m_shown.size()
                                 ? m_shown[m_table->currentRow()].code
                                 : QString();
    m_shown = load ? load() : QList<Supplier>();
    QCollator collator(QLocale(QLocale::Russian, QLocale::Russia));
    collator.setNumericMode(true);
    std::stable_sort(m_shown.begin(), m_shown.end(),
                     [&collator](const Supplier &a, const Supplier &b) {
                         return collator.compare(a.code, b.code) < 0;
                     });
    fill(m_table, m_shown, false);
    selectCode(selected);
    updateButtons();
}

void TSupplierRegisterDialog::selectCode(const QString &code)
{
    m_table->clearSelection();
    m_table->setCurrentCell(-1, -1);
    for (int row = 0; row < m_shown.size(); ++row) {
        if (!code.isEmpty() && m_shown[row].code == code)
            m_table->selectRow(row);
    }
}

void TSupplierRegisterDialog::updateButtons()
{
    const bool selected = !m_table->selectedItems().isEmpty();
    m_edit->setEnabled(selected);
    m_history->setVisible(bool(history));
    m_history->setEnabled(selected);
}

QString TSupplierRegisterDialog::problem(const Supplier &typed, bool adding) const
{
    if (adding) {
        if (typed.code.trimmed().isEmpty())
            return S::CodeEmpty;
        for (const Supplier &s : m_shown) {
            if (key(s.code) == key(typed.code))
                return S::CodeTaken.arg(s.code, s.name);
        }
    }
    if (!typed.activeFrom.isNull() && !typed.activeTo.isNull() && typed.activeFrom > typed.activeTo)
        return S::ActiveBackwards;
    return QString();
}

void TSupplierRegisterDialog::addSupplier()
{
    TSupplierForm form(
        TSupplierForm::Mode::Add, Supplier(),
        [this](const Supplier &typed) { return problem(typed, true); }, this);
    runUntilSaved(form, true);
}

void TSupplierRegisterDialog::editSupplier()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_shown.size() || m_table->selectedItems().isEmpty())
        return;
    TSupplierForm form(
        TSupplierForm::Mode::Edit, m_shown[row],
        [this](const Supplier &typed) { return problem(typed, false); }, this);
    runUntilSaved(form, false);
}

// The form stays filled in when the register refuses it or the save fails, so nothing typed
// is lost: the operator puts it right and presses "OK" again, or gives up.
void TSupplierRegisterDialog::runUntilSaved(TSupplierForm &form, bool adding)
{
    const QString code = form.supplier().code;
    while (runForm(form)) {
        Supplier typed = form.supplier();
        if (!adding)
            typed.code = code; // a new version of the same code
        QString error = problem(typed, adding);
        if (error.isEmpty()) {
            const QString said = save ? save(typed) : QStringLiteral("—");
            if (!said.isEmpty())
                error = S::SupplierNotSaved.arg(said);
        }
        if (error.isEmpty()) {
            reload();
            selectCode(typed.code);
            updateButtons();
            return;
        }
        showMessage(error);
    }
}

void TSupplierRegisterDialog::showHistory()
{
    const int row = m_table->currentRow();
    if (!history || row < 0 || row >= m_shown.size())
        return;
    const QString code = m_shown[row].code;
    QDialog dialog(this);
    dialog.setWindowTitle(S::HistoryCaption.arg(code));
    QTableWidget *table = makeTable(true, &dialog);
    fill(table, history(code), true);
    auto *close = new QPushButton(S::ActClose, &dialog);
    connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(close, 0, Qt::AlignRight);
    dialog.resize(820, 320);
    runHistory(dialog);
}
