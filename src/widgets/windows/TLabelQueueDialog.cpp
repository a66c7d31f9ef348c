#include "windows/TLabelQueueDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "text/Strings.h"

TLabelQueueDialog::TLabelQueueDialog(const QStringList &queue, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("LabelQueueDialog"));
    setWindowTitle(Str::LabelQueueCaption);
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    auto *buttons = new QDialogButtonBox(this);
    m_clear = buttons->addButton(Str::LabelQueueClearButton, QDialogButtonBox::DestructiveRole);
    QPushButton *close = buttons->addButton(Str::LabelQueueClose, QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(m_clear, &QPushButton::clicked, this, &TLabelQueueDialog::clearRequested);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Str::LabelQueueOrder, this));
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    setQueue(queue);
}

void TLabelQueueDialog::setQueue(const QStringList &queue)
{
    m_list->clear();
    for (qsizetype k = 0; k < queue.size(); ++k)
        m_list->addItem(Str::LabelQueueItem.arg(k + 1).arg(queue[k]));
    m_clear->setEnabled(!queue.isEmpty());
}
