#include "controls/TGridDelegate.h"

#include <QLineEdit>
#include <QPainter>

#include "controls/TColorStringGrid.h"
#include "controls/TCp1251Validator.h"
#include "table/ShownText.h"
#include "table/TableShape.h"

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
    const QString text = ShownText::isLong(bytes) ? ShownText::of(bytes)
                                                  : index.data(Qt::DisplayRole).toString();
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
    editor->setValidator(new TCp1251Validator(editor));
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
