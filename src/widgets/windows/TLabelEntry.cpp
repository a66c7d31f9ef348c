#include "windows/TLabelEntry.h"

#include <utility>

#include <QApplication>
#include <QKeyEvent>
#include <QStatusBar>
#include <QToolButton>
#include <QToolTip>

#include "controls/TColorStringGrid.h"
#include "controls/TCp1251Validator.h"
#include "table/TStringGridModel.h"
#include "table/TableShape.h"
#include "text/Strings.h"
#include "windows/TLabelQueueDialog.h"
#include "windows/TRegistrationWindow.h"
#include "windows/TWindowStatus.h"

TLabelEntry::TLabelEntry(TRegistrationWindow *window)
    : QObject(window)
    , m_window(window)
{
    setObjectName(QStringLiteral("LabelEntry"));
    TColorStringGrid *grid = window->MainGrid;
    grid->OnPaste = [this](int col, int row, const QString &text) { paste(col, row, text); };
    grid->installEventFilter(this);
    m_gap.setSingleShot(true);
    // Flushes what a person typed when no key follows; a scanner's next key comes sooner.
    m_gap.setInterval(2 * ScanGap);
    connect(&m_gap, &QTimer::timeout, this, &TLabelEntry::replayKeys);
    connect(grid->GridModel(), &TStringGridModel::rowsInserted, this,
            [this](const QModelIndex &, int, int last) { rowsAdded(last); });
    // A list pasted by mistake would label results to come wrongly: a click shows it, and
    // lets it go.
    m_queueButton = new QToolButton(window->status().bar());
    m_queueButton->setObjectName(QStringLiteral("labelQueue"));
    m_queueButton->setAutoRaise(true);
    m_queueButton->setToolTip(Str::LabelQueueHint);
    window->status().place(m_queueButton);
    m_queueButton->hide();
    connect(m_queueButton, &QToolButton::clicked, this, &TLabelEntry::listQueue);
}

bool TLabelEntry::paste(int col, int row, const QString &text)
{
    if (col != TableShape::LabelCol || row < 1)
        return false;
    QStringList labels;
    for (QString line : text.split(u'\n')) {
        line = TCp1251Validator::cleaned(line).trimmed();
        if (!line.isEmpty())
            labels.append(line);
    }
    if (labels.isEmpty() || !encodable(labels.join(u' '), row))
        return false;
    TColorStringGrid *grid = m_window->MainGrid;
    grid->DiscardEditor();
    // Down to the open row; the rest wait for their results.
    for (int r = row; r < grid->RowCount() && !labels.isEmpty(); ++r)
        grid->editCell(TableShape::LabelCol, r, labels.takeFirst());
    m_queue.append(labels);
    showQueue();
    return true;
}

void TLabelEntry::rowsAdded(int last)
{
    TColorStringGrid *grid = m_window->MainGrid;
    const int open = grid->RowCount() - 1;
    // Only the open row a result leaves behind: not a new or opened table.
    if (m_queue.isEmpty() || TableShape::gridRow(last) != open || open < 2
        || grid->Cells(TableShape::DateCol, open - 1).isEmpty()
        || !grid->Cells(TableShape::LabelCol, open).isEmpty())
        return;
    grid->editCell(TableShape::LabelCol, open, m_queue.takeFirst());
    showQueue();
}

void TLabelEntry::showQueue()
{
    m_queueButton->setText(Str::LabelQueue.arg(m_queue.size()));
    m_queueButton->setVisible(!m_queue.isEmpty());
    if (m_queueDialog)
        m_queueDialog->setQueue(m_queue);
}

void TLabelEntry::listQueue()
{
    TLabelQueueDialog dialog(m_queue, m_window);
    m_queueDialog = &dialog;
    connect(&dialog, &TLabelQueueDialog::clearRequested, this, [this, &dialog] {
        if (askToClearQueue())
            dialog.accept();
    });
    dialog.exec();
}

bool TLabelEntry::askToClearQueue()
{
    const auto answer = m_window->MessageBox(QMessageBox::Question, Str::Confirm,
                                             Str::LabelQueueClear.arg(m_queue.size()),
                                             QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;
    m_queue.clear();
    showQueue();
    return true;
}

bool TLabelEntry::encodable(const QString &text, int row)
{
    const qsizetype bad = TCp1251Validator::firstRefused(text);
    if (bad < 0)
        return true;
    TColorStringGrid *grid = m_window->MainGrid;
    const QModelIndex cell = grid->model()->index(TableShape::storeRow(row), TableShape::LabelCol);
    const QPoint at = grid->viewport()->mapToGlobal(grid->visualRect(cell).bottomLeft());
    QToolTip::showText(at, Str::LabelCharRefused.arg(TCp1251Validator::characterAt(text, bad)),
                       grid);
    return false;
}

bool TLabelEntry::eventFilter(QObject *watched, QEvent *event)
{
    TColorStringGrid *grid = m_window->MainGrid;
    if (watched != grid || event->type() != QEvent::KeyPress || m_replaying || grid->EditorOpen())
        return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const auto command = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (!key->text().isEmpty() && key->text()[0].isPrint() && !(key->modifiers() & command)) {
        // Timed by the keyboard's own clock: a busy window must not make a person's keys,
        // handled late and together, look like a scanner's.
        const bool pause = !m_keys.empty() && m_lastStamp != 0
                           && key->timestamp() > m_lastStamp + ulong(ScanGap.count());
        m_keys.push_back({key->key(), key->modifiers(), key->text()});
        m_lastStamp = key->timestamp();
        if (pause)
            replayKeys();
        else
            m_gap.start();
        return true;
    }
    if (m_keys.empty())
        return QObject::eventFilter(watched, event);
    m_gap.stop();
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && m_keys.size() >= std::size_t(ScanLength)) {
        QString code;
        for (const Key &k : std::exchange(m_keys, {}))
            code += k.text;
        scanned(code);
        return true;
    }
    // Any other key ends the wait: what waited is typed as it was, then this key goes where it
    // would have gone (Enter into the editor the first key opened).
    replayKeys();
    if (grid->EditorOpen()) {
        if (QWidget *editor = grid->indexWidget(grid->currentIndex())) {
            QKeyEvent copy(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(editor, &copy);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TLabelEntry::scanned(const QString &code)
{
    TColorStringGrid *grid = m_window->MainGrid;
    const int open = grid->RowCount() - 1;
    const QString label = TCp1251Validator::cleaned(code).trimmed();
    if (label.isEmpty() || !encodable(label, open))
        return;
    grid->editCell(TableShape::LabelCol, open, label);
}

void TLabelEntry::replayKeys()
{
    // A person typed: the keys go where they would have gone, the first one opening the
    // editor on the current cell as it always did.
    TColorStringGrid *grid = m_window->MainGrid;
    m_replaying = true;
    for (const Key &k : std::exchange(m_keys, {})) {
        QWidget *target = grid;
        if (grid->EditorOpen()) {
            if (QWidget *editor = grid->indexWidget(grid->currentIndex()))
                target = editor;
        }
        QKeyEvent press(QEvent::KeyPress, k.key, k.modifiers, k.text);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, k.key, k.modifiers, k.text);
        QCoreApplication::sendEvent(target, &release);
    }
    m_replaying = false;
}
