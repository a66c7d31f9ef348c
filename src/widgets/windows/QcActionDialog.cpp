#include "windows/QcActionDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "text/QcStrings.h"

QcActionDialog::QcActionDialog(const QString &held, const QString &who, const QDateTime &when,
                               QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(Str::QcActionCaption);
    auto *layout = new QVBoxLayout(this);
    auto *heldLabel = new QLabel(held, this);
    heldLabel->setWordWrap(true);
    layout->addWidget(heldLabel);
    layout->addWidget(
        new QLabel(Str::QcActionWho.arg(who, when.toString(QStringLiteral("dd.MM.yyyy HH:mm"))),
                   this));
    layout->addWidget(new QLabel(Str::QcActionWhat, this));
    m_comment = new QPlainTextEdit(this);
    m_comment->setObjectName(QStringLiteral("qcActionComment"));
    // Tab goes on to the buttons, as in the program's other dialogs.
    m_comment->setTabChangesFocus(true);
    layout->addWidget(m_comment);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(m_buttons);
    QPushButton *ok = m_buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(m_comment, &QPlainTextEdit::textChanged, this,
            [this, ok] { ok->setEnabled(!comment().isEmpty()); });
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString QcActionDialog::comment() const
{
    return m_comment->toPlainText().trimmed();
}

std::optional<QString> QcActionDialog::ask(const QString &held, const QString &who,
                                           const QDateTime &when, QWidget *parent)
{
    QcActionDialog dialog(held, who, when, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.comment().isEmpty())
        return std::nullopt;
    return dialog.comment();
}
