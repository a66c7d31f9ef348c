#include "table/TStringGridModel.h"

namespace {
constexpr Qt::Alignment kAlign = Qt::AlignLeft | Qt::AlignVCenter;
}

TStringGridModel::TStringGridModel(int colCount, QObject *parent)
    : QAbstractTableModel(parent)
    , m_rows(colCount)
{
    m_titles.resize(m_rows.ColCount());
}

int TStringGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.RowCount();
}

int TStringGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.ColCount() + (m_outer ? 1 : 0);
}

QVariant TStringGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return Cell(index.column(), index.row());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(kAlign);
    default:
        return {};
    }
}

bool TStringGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    SetCell(index.column(), index.row(), value.toString());
    return true;
}

QVariant TStringGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(kAlign);
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return Title(section);
    return m_rows.Cell(0, section);
}

Qt::ItemFlags TStringGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

void TStringGridModel::SetColCount(int count)
{
    count = qMax(1, count);
    const int old = ColCount();
    if (count > old) {
        beginInsertColumns({}, old, count - 1);
        m_rows.SetColCount(count);
        m_titles.resize(count);
        endInsertColumns();
    } else if (count < old) {
        beginRemoveColumns({}, count, old - 1);
        m_rows.SetColCount(count);
        m_titles.resize(count);
        endRemoveColumns();
    }
}

void TStringGridModel::SetDataRowCount(int count)
{
    count = qMax(0, count);
    const int old = m_rows.RowCount();
    if (count > old) {
        beginInsertRows({}, old, count - 1);
        m_rows.SetRowCount(count);
        endInsertRows();
    } else if (count < old) {
        beginRemoveRows({}, count, old - 1);
        m_rows.SetRowCount(count);
        endRemoveRows();
    }
}

void TStringGridModel::AppendRow()
{
    const int row = m_rows.RowCount();
    beginInsertRows({}, row, row);
    m_rows.AppendRow();
    endInsertRows();
}

void TStringGridModel::endWithOpenRow()
{
    const bool added = m_rows.endWithOpenRow([this](int row) { beginInsertRows({}, row, row); });
    if (added) {
        endInsertRows();
        return;
    }
    // The open row was there already; it may have been given its number.
    const int last = m_rows.RowCount() - 1;
    const QModelIndex i = index(last, 0);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Vertical, last, last);
}

void TStringGridModel::SetTitle(int col, const QString &text)
{
    if (col < 0 || col >= ColCount() || m_titles[col] == text)
        return;
    m_titles[col] = text;
    emit headerDataChanged(Qt::Horizontal, col, col);
}

QString TStringGridModel::Title(int col) const
{
    return isOuter(col) ? m_outer->title : m_titles.value(col);
}

QString TStringGridModel::Cell(int col, int row) const
{
    if (isOuter(col))
        return row >= 0 && row < DataRowCount() ? m_outer->text(row) : QString();
    return m_rows.Cell(col, row);
}

void TStringGridModel::setOuterColumn(std::optional<OuterColumn> column)
{
    if (m_outer) {
        beginRemoveColumns({}, ColCount(), ColCount());
        m_outer.reset();
        endRemoveColumns();
    }
    if (column) {
        beginInsertColumns({}, ColCount(), ColCount());
        m_outer = std::move(column);
        endInsertColumns();
    }
}

void TStringGridModel::outerChanged(int row)
{
    if (!m_outer || row < 0 || row >= DataRowCount())
        return;
    const QModelIndex i = index(row, ColCount());
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

void TStringGridModel::SetCell(int col, int row, const QString &text)
{
    if (isOuter(col)) {
        if (row >= 0 && row < DataRowCount()) {
            m_outer->setText(row, text);
            outerChanged(row);
        }
        return;
    }
    if (col < 0 || col >= ColCount() || row < 0 || row >= DataRowCount())
        return;
    m_rows.SetCell(col, row, text);
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    if (col == 0)
        emit headerDataChanged(Qt::Vertical, row, row);
}

void TStringGridModel::SetRows(TRowStore rows)
{
    beginResetModel();
    rows.SetColCount(ColCount());
    m_rows = std::move(rows);
    endResetModel();
}
