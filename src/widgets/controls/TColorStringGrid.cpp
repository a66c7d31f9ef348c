#include "controls/TColorStringGrid.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>

#include "controls/TGridDelegate.h"
#include "controls/TGridHeader.h"
#include "controls/TGridSelectionModel.h"
#include "table/TStringGridModel.h"
#include "table/TableShape.h"
#include "text/Cp1251.h"

namespace {
constexpr int kDefaultColWidth = 64;
constexpr int kDefaultRowHeight = 24;
} // namespace

TColorStringGrid::TColorStringGrid(QWidget *parent)
    : QTableView(parent)
{
    m_model = new TStringGridModel(5, this);
    m_model->SetDataRowCount(4);

    m_top = new TGridHeader(Qt::Horizontal, this);
    m_left = new TGridHeader(Qt::Vertical, this);
    setHorizontalHeader(m_top);
    setVerticalHeader(m_left);
    setModel(m_model);
    auto *selection = new TGridSelectionModel(m_model, this, [this](const QModelIndex &i) {
        bool canSelect = true;
        if (OnSelectCell)
            OnSelectCell(i.column(), TableShape::gridRow(i.row()), canSelect);
        return canSelect;
    });
    QItemSelectionModel *old = selectionModel();
    setSelectionModel(selection);
    delete old;
    setItemDelegate(new TGridDelegate(this));

    m_top->setSectionResizeMode(QHeaderView::Interactive);
    m_top->setSectionsClickable(false);
    m_top->setHighlightSections(false);
    m_top->setMinimumSectionSize(0);
    m_top->setDefaultSectionSize(kDefaultColWidth);
    m_left->setSectionResizeMode(QHeaderView::Fixed);
    m_left->setSectionsClickable(false);
    m_left->setHighlightSections(false);
    m_left->setFixedWidth(kDefaultColWidth);

    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setWordWrap(false);
    setTabKeyNavigation(false); // Tab leaves the grid, as in the classic grid
    setCornerButtonEnabled(false);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    setColumnHidden(0, true);
    applyRowHeight(kDefaultRowHeight);

    // The view's corner over the number column is where a string grid shows cell [0][0].
    m_corner = findChild<QAbstractButton *>();
    if (m_corner) {
        m_corner->installEventFilter(this);
        connect(m_model, &QAbstractItemModel::headerDataChanged, m_corner,
                [this](Qt::Orientation o, int first) {
                    if (o == Qt::Horizontal && first == 0)
                        m_corner->update();
                });
    }
}

bool TColorStringGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_corner && event->type() == QEvent::Paint) {
        paintCorner();
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void TColorStringGrid::paintCorner()
{
    QPainter painter(m_corner);
    QStyleOptionHeader opt;
    opt.initFrom(m_corner);
    opt.rect = m_corner->rect();
    opt.position = QStyleOptionHeader::OnlyOneSection;
    opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    opt.text = m_model->Title(0);
    // The corner is a disabled button (no click selects a year of cells); drawn enabled.
    opt.palette.setCurrentColorGroup(isEnabled() ? QPalette::Active : QPalette::Disabled);
    opt.state |= QStyle::State_Enabled | QStyle::State_Raised;
    opt.state &= ~QStyle::State_HasFocus;
    QBrush brush = opt.palette.button();
    QFont cellFont = m_top->font();
    if (OnGetCellColor)
        OnGetCellColor(this, 0, 0, gdFixed, brush, cellFont);
    opt.palette.setBrush(QPalette::Button, brush);
    opt.palette.setBrush(QPalette::Window, brush);
    painter.setFont(cellFont);
    if (brush != m_corner->palette().button())
        painter.fillRect(opt.rect, brush);
    else
        style()->drawControl(QStyle::CE_HeaderSection, &opt, &painter, m_corner);
    opt.rect.adjust(2, 0, -2, 0);
    style()->drawControl(QStyle::CE_HeaderLabel, &opt, &painter, m_corner);
}

int TColorStringGrid::ColCount() const
{
    return m_model->ColCount();
}

void TColorStringGrid::SetColCount(int count)
{
    m_model->SetColCount(count);
    setColumnHidden(0, true);
}

int TColorStringGrid::RowCount() const
{
    return m_model->DataRowCount() + 1;
}

void TColorStringGrid::SetRowCount(int count)
{
    m_model->SetDataRowCount(count - 1);
}

QString TColorStringGrid::Cells(int col, int row) const
{
    if (row == 0)
        return m_model->Title(col);
    return m_model->Cell(col, TableShape::storeRow(row));
}

void TColorStringGrid::SetCells(int col, int row, const QString &text)
{
    if (row == 0)
        m_model->SetTitle(col, text);
    else
        m_model->SetCell(col, TableShape::storeRow(row), text);
}

int TColorStringGrid::ColWidths(int col) const
{
    // The number column is the vertical header; its fixed width stays while it is hidden.
    if (col == 0)
        return m_left->isHidden() ? -1 : m_left->maximumWidth();
    if (col < 0 || col >= m_model->columnCount())
        return 0;
    return isColumnHidden(col) ? -1 : columnWidth(col);
}

void TColorStringGrid::SetColWidths(int col, int width)
{
    if (col == 0) {
        m_left->setHidden(width < 0);
        if (width >= 0)
            m_left->setFixedWidth(width);
        return;
    }
    if (col < 0 || col >= m_model->columnCount())
        return;
    if (width < 0) {
        setColumnHidden(col, true);
        return;
    }
    setColumnHidden(col, false);
    setColumnWidth(col, width);
}

int TColorStringGrid::DefaultColWidth() const
{
    return m_top->defaultSectionSize();
}

void TColorStringGrid::SetDefaultColWidth(int width)
{
    width = qMax(0, width);
    m_top->setDefaultSectionSize(width);
    SetColWidths(0, width);
    for (int c = 1; c < ColCount(); ++c)
        SetColWidths(c, width);
}

int TColorStringGrid::DefaultRowHeight() const
{
    return m_left->defaultSectionSize();
}

void TColorStringGrid::SetDefaultRowHeight(int height)
{
    applyRowHeight(qMax(1, height));
}

void TColorStringGrid::applyRowHeight(int height)
{
    m_left->setMinimumSectionSize(qMin(height, m_left->minimumSectionSize()));
    m_left->setDefaultSectionSize(height);
    m_top->setFixedHeight(height);
}

int TColorStringGrid::GridClientWidth() const
{
    // Counted from the frame rather than the viewport, which is only laid out once shown.
    int width = contentsRect().width();
    if (verticalScrollBar()->isVisibleTo(this))
        width -= verticalScrollBar()->sizeHint().width();
    return qMax(0, width);
}

void TColorStringGrid::AppendRow()
{
    m_model->AppendRow();
}

void TColorStringGrid::endWithOpenRow()
{
    m_model->endWithOpenRow();
}

const TRowStore &TColorStringGrid::Rows() const
{
    return m_model->Rows();
}

QList<int> TColorStringGrid::widths() const
{
    QList<int> list;
    for (int c = 1; c < ColCount(); ++c)
        list.append(ColWidths(c));
    return list;
}

void TColorStringGrid::restoreWidths(const QList<int> &list)
{
    setColumnHidden(0, true);
    for (int c = 1; c < ColCount() && c - 1 < list.size(); ++c)
        SetColWidths(c, list[c - 1]);
}

void TColorStringGrid::SetRows(TRowStore rows)
{
    // A reset forgets the header's sizes and hidden sections.
    const QList<int> kept = widths();
    m_model->SetRows(std::move(rows));
    restoreWidths(kept);
}

void TColorStringGrid::SetEditing(bool on)
{
    if (m_editing == on)
        return;
    m_editing = on;
    if (!on && state() == QAbstractItemView::EditingState) {
        // Switching editing off ends the edit that is open, keeping what was typed.
        if (QWidget *editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
}

void TColorStringGrid::CommitEditor()
{
    if (!EditorOpen())
        return;
    if (QWidget *editor = indexWidget(currentIndex()))
        commitData(editor);
}

void TColorStringGrid::DiscardEditor()
{
    if (!EditorOpen())
        return;
    if (QWidget *editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool TColorStringGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (!m_editing)
        return false;
    return QTableView::edit(index, trigger, event);
}

void TColorStringGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        SetDefaultRowHeight(qMax(DefaultRowHeight(), fontMetrics().height() + 6));
}

void TColorStringGrid::editCell(int col, int row, const QString &text)
{
    QString old = Cells(col, row);
    if (OnGetEditText)
        OnGetEditText(col, row, old);
    SetCells(col, row, text);
    if (OnSetEditText)
        OnSetEditText(col, row, text);
}

void TColorStringGrid::moveToNextRow()
{
    const QModelIndex below = currentIndex().siblingAtRow(currentIndex().row() + 1);
    if (below.isValid())
        setCurrentIndex(below);
}

QString TColorStringGrid::selectionText() const
{
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty())
        return QString();
    int top = m_model->DataRowCount(), bottom = -1, left = ColCount(), right = -1;
    for (const QItemSelectionRange &r : selection) {
        top = qMin(top, r.top());
        bottom = qMax(bottom, r.bottom());
        left = qMin(left, r.left());
        right = qMax(right, r.right());
    }
    QList<int> cols;
    // A column kept outside the rows (see TStringGridModel::setOuterColumn) is not copied.
    right = qMin(right, ColCount() - 1);
    for (int c = left; c <= right; ++c) {
        if (!isColumnHidden(c))
            cols.append(c);
    }
    QString titles;
    if (top == 0 && bottom == m_model->DataRowCount() - 1) {
        QStringList cells;
        for (int c : cols)
            cells.append(m_model->Title(c));
        titles = cells.join(u'\t') + u'\n';
    }
    // The cells' own bytes, decoded once: a year of results copies in a fraction of the time.
    const TRowStore &rows = m_model->Rows();
    QByteArray bytes;
    QList<bool> wanted(ColCount(), false);
    for (int c : cols)
        wanted[c] = true;
    for (int r = top; r <= bottom; ++r) {
        // One walk along the row's line, taking the wanted cells as they pass.
        const QByteArrayView line = rows.LineView(r);
        qsizetype start = 0;
        bool first = true;
        for (int c = 0; c <= right && start <= line.size(); ++c) {
            qsizetype end = line.indexOf('\t', start);
            if (end < 0)
                end = line.size();
            if (wanted[c]) {
                if (!first)
                    bytes += '\t';
                bytes += line.sliced(start, end - start);
                first = false;
            }
            start = end + 1;
        }
        if (r < bottom)
            bytes += '\n';
    }
    return titles + Cp1251::decode(bytes);
}

void TColorStringGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(selectionText());
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        if (OnPaste && currentIndex().isValid())
            OnPaste(currentIndex().column(), TableShape::gridRow(currentIndex().row()),
                    QGuiApplication::clipboard()->text());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
