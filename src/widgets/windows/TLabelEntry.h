#pragma once

// The label column made quick to fill: a pasted list of labels goes down the column from the
// current row, and what goes past the open row waits in a queue (shown in the status bar) for
// the results still to come; a barcode scanner (a keyboard that types a code fast and ends it
// with Enter) labels the open row, the sample about to be measured. Typing by hand is left as
// it was, only its first key waits the scanner's gap.

#include <chrono>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QKeyEvent;
class QToolButton;
class TLabelQueueDialog;
class TRegistrationWindow;

class TLabelEntry : public QObject
{
    Q_OBJECT
public:
    explicit TLabelEntry(TRegistrationWindow *window);

    // Longer than this between keys is a person typing; scanners send a key every few
    // milliseconds, the quickest typists rarely two within 30.
    static constexpr std::chrono::milliseconds ScanGap{30};
    // A code is at least this long; a quick "ab" and Enter is still a person.
    static constexpr int ScanLength = 3;

    const QStringList &queue() const { return m_queue; }
    // Labels from text, one a line, into the label column from grid row `row` down; false (and
    // a tooltip saying why) when the text holds a character the file cannot hold.
    bool paste(int col, int row, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Key
    {
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };

    // A result took the open row: the next label waiting goes to the new open row.
    void rowsAdded(int last);
    void scanned(const QString &code);
    void replayKeys();
    // The character of text the file cannot hold, told in a tooltip at the cell; false if any.
    bool encodable(const QString &text, int row);
    void showQueue();
    // A click on the status bar's button: the queue in order, and a way to let it go.
    void listQueue();
    bool askToClearQueue();

    TRegistrationWindow *m_window = nullptr;
    QToolButton *m_queueButton = nullptr; // "Метки в очереди: N"; a click lists the queue
    QPointer<TLabelQueueDialog> m_queueDialog; // while the list is open
    QStringList m_queue;
    std::vector<Key> m_keys; // typed with no editor open, not yet known as a scan or a person
    ulong m_lastStamp = 0;   // the keyboard's time of the last key that waits
    QTimer m_gap;
    bool m_replaying = false;
};
