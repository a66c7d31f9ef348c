#pragma once

// The real message box and file dialogs behind a registration window's dialog hooks, which
// tests replace to answer without a person.

#include <QMessageBox>
#include <QString>

class QWidget;

QMessageBox::StandardButton ShowMessageBox(QWidget *parent, QMessageBox::Icon icon,
                                           const QString &caption, const QString &text,
                                           QMessageBox::StandardButtons buttons,
                                           const QString &informative = QString());

// A results file to open (an existing one) or to save to, starting at current; empty when the
// operator cancelled. Saving over a file that exists asks first: another document of the
// operator's must not be lost to a slip in the dialog.
QString AskResultsFileName(QWidget *parent, bool forSaving, const QString &current);
