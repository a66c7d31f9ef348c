#pragma once

// One supplier of the register, typed in: a new one, or a new version of one already there
// (its code then stays as it is). What the register says of the typed supplier (an empty
// code, a code taken) shows under the fields, and "OK" waits until it is put right.

#include <functional>

#include <QDialog>

#include "reception/Supplier.h"

class QCheckBox;
class QDateEdit;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;

class TSupplierForm : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Add, Edit };
    // What is wrong with a typed supplier, empty when nothing is.
    using Problem = std::function<QString(const Supplier &)>;

    TSupplierForm(Mode mode, const Supplier &supplier, Problem problem, QWidget *parent = nullptr);

    // The supplier as typed: blanks around the texts left out, a date without "без даты".
    Supplier supplier() const;

    // The fields, for the tests.
    QLineEdit *codeEdit() const { return m_code; }
    QLineEdit *nameEdit() const { return m_name; }
    QLineEdit *farmEdit() const { return m_farm; }
    QLineEdit *routeEdit() const { return m_route; }
    QLineEdit *milkTypeEdit() const { return m_milkType; }
    QDateEdit *fromEdit() const { return m_from; }
    QCheckBox *fromNone() const { return m_fromNone; }
    QDateEdit *toEdit() const { return m_to; }
    QCheckBox *toNone() const { return m_toNone; }
    QLabel *message() const { return m_message; }
    QDialogButtonBox *buttons() const { return m_buttons; }

public slots:
    // Shows what is wrong with the fields and lets "OK" be pressed only when nothing is.
    void check();
    void accept() override;

private:
    QLineEdit *addText(QFormLayout *form, const QString &label, const QString &text);
    void addDate(QFormLayout *form, const QString &label, const QDate &date, QDateEdit **edit,
                 QCheckBox **none);

    Problem m_problem;
    QLineEdit *m_code = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_farm = nullptr;
    QLineEdit *m_route = nullptr;
    QLineEdit *m_milkType = nullptr;
    QDateEdit *m_from = nullptr;
    QCheckBox *m_fromNone = nullptr;
    QDateEdit *m_to = nullptr;
    QCheckBox *m_toNone = nullptr;
    QLabel *m_message = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
