#pragma once

// "Действие по контролю": what the operator did after a rejection, a comment that must not
// be blank, shown with who records it and when.

#include <optional>

#include <QDateTime>
#include <QDialog>

class QDialogButtonBox;
class QPlainTextEdit;

class QcActionDialog : public QDialog
{
    Q_OBJECT
public:
    QcActionDialog(const QString &held, const QString &who, const QDateTime &when, QWidget *parent);

    QString comment() const;

    // The comment, trimmed; nullopt when the operator cancelled.
    static std::optional<QString> ask(const QString &held, const QString &who,
                                      const QDateTime &when, QWidget *parent);

private:
    QPlainTextEdit *m_comment = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
