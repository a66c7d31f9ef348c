#pragma once

// "Нормы": a table of the window's value columns, each with its title, minimum and maximum.
// The texts are checked as the operator types them (the locale's decimal separator); OK
// stays off while a text is no number or a minimum is above its maximum. The caller writes
// limits() to the settings file when the dialog is accepted.

#include <optional>
#include <utility>

#include <QDialog>
#include <QList>
#include <QLocale>

#include "quality/TLimits.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QTableWidget;

class TLimitsDialog : public QDialog
{
    Q_OBJECT

public:
    // columns: (column number, title) in the order shown; an empty title shows the number.
    TLimitsDialog(const QList<std::pair<int, QString>> &columns, const TLimits &limits,
                  QWidget *parent = nullptr, const QLocale &locale = QLocale::system());

    // The limits the table holds; columns not in the table, and a line that cannot be taken,
    // keep the limits given.
    TLimits limits() const;
    // Empty when every line can be taken; otherwise what stops OK.
    QString problem() const { return m_problem; }

    int lineCount() const { return int(m_lines.size()); }
    QLineEdit *minEdit(int line) const { return m_lines.value(line).min; }
    QLineEdit *maxEdit(int line) const { return m_lines.value(line).max; }

private:
    struct TLine
    {
        int col = 0;
        QString title;
        QLineEdit *min = nullptr;
        QLineEdit *max = nullptr;
    };
    void check();
    QLineEdit *makeEdit(double value);
    std::optional<double> valueOf(const QLineEdit *edit, bool *ok) const;

    QLocale m_locale;
    TLimits m_given;
    QList<TLine> m_lines;
    QTableWidget *m_table = nullptr;
    QLabel *m_message = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QString m_problem;
};
