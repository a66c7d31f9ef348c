#include "controls/TGridDelegate.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QToolTip>

#include "controls/TColorStringGrid.h"
#include "controls/TCp1251Validator.h"
#include "table/ShownText.h"
#include "table/TableShape.h"
#include "text/Strings.h"

namespace {
// Set on an editor once its starting text is in, so that a later refresh of the same cell
// neither asks the owner again nor wipes what the operator is typing.
const char kStarted[] = "reg01Started";
} // namespace

TGridDelegate::TGridDelegate(TColorStringGrid *grid)
    : QStyledItemDelegate(grid)
    , m_grid(grid)
{}

void TGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    const bool focused = option.state & QStyle::State_HasFocus;
    const QPalette::ColorGroup group = option.state & QStyle::State_Active ? QPalette::Active
                                                                           : QPalette::Inactive;
    QBrush brush = option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base);
    QFont font = option.font;
    if (m_grid->OnGetCellColor) {
        TGridDrawState state;
        if (selected)
            state |= gdSelected;
        if (focused)
            state |= gdFocused;
        m_grid->OnGetCellColor(m_grid, TableShape::gridRow(index.row()), index.column(), state,
                               brush, font);
    }
    painter->save();
    painter->fillRect(option.rect, brush);
    painter->setFont(font);
    painter->setPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    // A giant cell is drawn by its beginning: laying out all of it would stall the window
    // or break the text layout. The cell keeps its whole text.
    const QByteArrayView bytes = m_grid->Rows().CellBytes(index.column(), index.row());
    QString text = ShownText::isLong(bytes) ? ShownText::of(bytes)
                                            : index.data(Qt::DisplayRole).toString();
    if (m_grid->OnGetShownText)
        m_grid->OnGetShownText(index.column(), TableShape::gridRow(index.row()), text);
    painter->drawText(option.rect.adjusted(2, 0, -2, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    if (focused) {
        QPen pen(option.palette.color(group, QPalette::Text), 1, Qt::DotLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
    }
    painter->restore();
}

QWidget *TGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    // A line editor holds at most 32767 characters: a longer cell would be cut short by
    // editing it, so it is not edited at all.
    if (ShownText::isLong(m_grid->Rows().CellBytes(index.column(), index.row())))
        return nullptr;
    auto *editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setFont(option.font);
    auto *validator = new TCp1251Validator(editor);
    validator->setCleaning(true);
    // A refused character must not vanish without a word: the operator is told why.
    connect(validator, &TCp1251Validator::refused, editor, [editor](const QString &c) {
        QToolTip::showText(editor->mapToGlobal(QPoint(0, editor->height())),
                           Str::LabelCharRefused.arg(c), editor);
    });
    editor->setValidator(validator);
    return editor;
}

void TGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line || line->property(kStarted).toBool())
        return;
    QString value = index.data(Qt::EditRole).toString();
    if (m_grid->OnGetEditText)
        m_grid->OnGetEditText(index.column(), TableShape::gridRow(index.row()), value);
    line->setText(value);
    line->setProperty(kStarted, true);
}

void TGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                 const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line)
        return;
    const QString value = line->text();
    model->setData(index, value, Qt::EditRole);
    if (m_grid->OnSetEditText)
        m_grid->OnSetEditText(index.column(), TableShape::gridRow(index.row()), value);
}

bool TGridDelegate::eventFilter(QObject *watched, QEvent *event)
{
    auto *line = qobject_cast<QLineEdit *>(watched);
    if (!line || event->type() != QEvent::KeyPress)
        return QStyledItemDelegate::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const auto mods = key->modifiers() & ~Qt::KeypadModifier;
    if (enter && mods == Qt::NoModifier && line->hasAcceptableInput()) {
        // Queued, as the item views end an edit on Enter: the key's own handling finishes
        // before the editor goes.
        QMetaObject::invokeMethod(
            this,
            [this, editor = QPointer<QLineEdit>(line)] {
                // Gone, or ended meanwhile (a second Enter): nothing more to do.
                if (!editor || m_grid->indexWidget(m_grid->currentIndex()) != editor)
                    return;
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                m_grid->moveToNextRow();
            },
            Qt::QueuedConnection);
        return true;
    }
    if (key->matches(QKeySequence::Paste) && m_grid->OnPaste) {
        const QString text = QGuiApplication::clipboard()->text();
        QString body = text;
        while (body.endsWith(u'\n') || body.endsWith(u'\r'))
            body.chop(1);
        if (body.contains(u'\n') || body.contains(u'\r')) {
            const QModelIndex at = m_grid->currentIndex();
            emit commitData(line);
            emit closeEditor(line, QAbstractItemDelegate::NoHint);
            m_grid->OnPaste(at.column(), TableShape::gridRow(at.row()), text);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}
