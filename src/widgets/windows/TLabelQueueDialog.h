#pragma once

// The labels waiting for results to come, numbered in the order the results take them, with
// "Очистить очередь" to let them go; the list follows the queue while the dialog is open.

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

class TLabelQueueDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TLabelQueueDialog(const QStringList &queue, QWidget *parent = nullptr);

    void setQueue(const QStringList &queue);
    QListWidget *list() const { return m_list; }
    QPushButton *clearButton() const { return m_clear; }

signals:
    // The operator asks to let the queue go; the owner asks once more and clears it.
    void clearRequested();

private:
    QListWidget *m_list = nullptr;
    QPushButton *m_clear = nullptr;
};
