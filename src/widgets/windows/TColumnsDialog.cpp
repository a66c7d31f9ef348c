#include "windows/TColumnsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "text/Strings.h"

TColumnsDialog::TColumnsDialog(const QStringList &names, const QList<bool> &shown, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ColumnsDialog"));
    setWindowTitle(Str::ColumnsCaption);
    auto *inner = new QWidget;
    auto *grid = new QGridLayout(inner);
    // Two columns of boxes: 27 names in one would not fit a small screen.
    const auto rows = (names.size() + 1) / 2;
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto *box = new QCheckBox(names[i], inner);
        box->setChecked(i < shown.size() && shown[i]);
        grid->addWidget(box, int(i % rows), int(i / rows));
        m_boxes.append(box);
    }
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(inner);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumSize(inner->sizeHint().boundedTo(QSize(640, 480)) + QSize(24, 8));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *all = buttons->addButton(Str::ColumnsAll, QDialogButtonBox::ResetRole);
    QPushButton *none = buttons->addButton(Str::ColumnsNone, QDialogButtonBox::ResetRole);
    connect(all, &QPushButton::clicked, this, [this] { checkAll(true); });
    connect(none, &QPushButton::clicked, this, [this] { checkAll(false); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
}

QList<bool> TColumnsDialog::shown() const
{
    QList<bool> out;
    for (const QCheckBox *box : m_boxes)
        out.append(box->isChecked());
    return out;
}

void TColumnsDialog::checkAll(bool on)
{
    for (QCheckBox *box : m_boxes)
        box->setChecked(on);
}
