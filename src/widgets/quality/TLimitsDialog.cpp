#include "quality/TLimitsDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "quality/TCellNumber.h"
#include "quality/TDecimalValidator.h"
#include "text/QualityStrings.h"

namespace {
enum { TitleColumn, MinColumn, MaxColumn };
}

TLimitsDialog::TLimitsDialog(const QList<std::pair<int, QString>> &columns, const TLimits &limits,
                             QWidget *parent, const QLocale &locale)
    : QDialog(parent)
    , m_locale(locale)
    , m_given(limits)
{
    setWindowTitle(Str::LimitsCaption);
    m_table = new QTableWidget(int(columns.size()), 3, this);
    m_table->setHorizontalHeaderLabels({Str::LimitsColumn, Str::LimitsMin, Str::LimitsMax});
    m_table->verticalHeader()->hide();
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->horizontalHeader()->setSectionResizeMode(TitleColumn, QHeaderView::Stretch);

    for (int i = 0; i < columns.size(); ++i) {
        TLine line;
        line.col = columns[i].first;
        line.title = columns[i].second.isEmpty() ? Str::LimitsUntitled.arg(line.col)
                                                 : columns[i].second;
        auto *title = new QTableWidgetItem(line.title);
        title->setFlags(Qt::ItemIsEnabled);
        m_table->setItem(i, TitleColumn, title);
        const TLimit l = limits.limit(line.col);
        line.min = makeEdit(l.min);
        line.max = makeEdit(l.max);
        m_table->setCellWidget(i, MinColumn, line.min);
        m_table->setCellWidget(i, MaxColumn, line.max);
        m_lines << line;
    }
    m_table->resizeColumnToContents(MinColumn);
    m_table->resizeColumnToContents(MaxColumn);

    m_message = new QLabel(this);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(m_message);
    layout->addWidget(m_buttons);
    resize(420, qMin(640, 120 + 30 * int(columns.size())));
    check();
}

QLineEdit *TLimitsDialog::makeEdit(double value)
{
    auto *edit = new QLineEdit(this);
    edit->setFrame(false);
    edit->setValidator(new TDecimalValidator(m_locale, edit));
    edit->setMaxLength(TDecimalValidator::MaxLength);
    if (!std::isnan(value)) {
        QLocale plain = m_locale;
        plain.setNumberOptions(QLocale::OmitGroupSeparator);
        edit->setText(plain.toString(value, 'f', QLocale::FloatingPointShortest));
    }
    connect(edit, &QLineEdit::textChanged, this, &TLimitsDialog::check);
    return edit;
}

std::optional<double> TLimitsDialog::valueOf(const QLineEdit *edit, bool *ok) const
{
    const QString text = edit->text().trimmed();
    *ok = true;
    if (text.isEmpty())
        return std::nullopt;
    const std::optional<double> v = TCellNumber(m_locale).read(QStringView(text));
    *ok = v.has_value();
    return v;
}

void TLimitsDialog::check()
{
    m_problem.clear();
    for (const TLine &line : m_lines) {
        bool minOk = true;
        bool maxOk = true;
        const auto min = valueOf(line.min, &minOk);
        const auto max = valueOf(line.max, &maxOk);
        if (!minOk || !maxOk) {
            m_problem = Str::LimitsNotNumber.arg(line.title, (minOk ? line.max : line.min)->text());
            break;
        }
        if (min && max && *min > *max) {
            m_problem = Str::LimitsMinAboveMax.arg(line.title);
            break;
        }
    }
    m_message->setText(m_problem);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_problem.isEmpty());
}

TLimits TLimitsDialog::limits() const
{
    TLimits out = m_given;
    for (const TLine &line : m_lines) {
        bool minOk = true;
        bool maxOk = true;
        const auto min = valueOf(line.min, &minOk);
        const auto max = valueOf(line.max, &maxOk);
        // A line that cannot be taken keeps what it had.
        if (!minOk || !maxOk || (min && max && *min > *max))
            continue;
        TLimit l;
        if (min)
            l.min = *min;
        if (max)
            l.max = *max;
        out.setLimit(line.col, l);
    }
    return out;
}
