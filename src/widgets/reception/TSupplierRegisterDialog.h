#pragma once

// "Реестр поставщиков": the latest version of every supplier, by code (numbers in their
// order), added to and changed through a form. A change is a new version of the same code;
// the older versions stay and "История…" shows them. Where the register comes from and goes
// to is whoever made the dialog's business: the hooks below, set before the dialog is shown.

#include <functional>

#include <QDialog>
#include <QList>

#include "reception/Supplier.h"

class QPushButton;
class QTableWidget;
class TSupplierForm;

class TSupplierRegisterDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TSupplierRegisterDialog(QWidget *parent = nullptr);

    // The latest version of every code.
    std::function<QList<Supplier>()> load;
    // Keeps a new supplier or a new version of one; the error for the operator, or empty.
    std::function<QString(const Supplier &)> save;
    // Every version of one code, the first first; without it there is no "История…".
    std::function<QList<Supplier>(const QString &code)> history;

    // What a person would do, replaced by the tests: fill in the form and press "OK" (true),
    // look at a supplier's history, read a message.
    std::function<bool(TSupplierForm &)> runForm;
    std::function<void(QDialog &)> runHistory;
    std::function<void(const QString &)> showMessage;

    // The suppliers as the table shows them, top to bottom.
    const QList<Supplier> &shown() const { return m_shown; }
    QTableWidget *table() const { return m_table; }
    QPushButton *editButton() const { return m_edit; }
    QPushButton *historyButton() const { return m_history; }

    // What keeps a typed supplier out of the register, empty when nothing does.
    QString problem(const Supplier &typed, bool adding) const;

public slots:
    // Asks for the register again; done each time the dialog is shown.
    void reload();
    void addSupplier();
    void editSupplier();
    void showHistory();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void runUntilSaved(TSupplierForm &form, bool adding);
    void selectCode(const QString &code);
    void updateButtons();

    QList<Supplier> m_shown;
    QTableWidget *m_table = nullptr;
    QPushButton *m_edit = nullptr;
    QPushButton *m_history = nullptr;
};
