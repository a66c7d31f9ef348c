#pragma once

// "Показатели…": a check box for each column that can be hidden, to show or hide many at
// once rather than one menu click at a time; "Все" and "Ни одного" check or clear them all.

#include <QDialog>
#include <QList>
#include <QStringList>

class QCheckBox;

class TColumnsDialog : public QDialog
{
    Q_OBJECT
public:
    TColumnsDialog(const QStringList &names, const QList<bool> &shown, QWidget *parent = nullptr);

    QList<bool> shown() const;
    QList<QCheckBox *> boxes() const { return m_boxes; }

private:
    void checkAll(bool on);

    QList<QCheckBox *> m_boxes;
};
