#pragma once

// The table behind a string grid: the data rows in a compact TRowStore and the column
// titles as plain strings (a title may hold what Windows-1251 cannot). Model row r is data
// row r (grid row r + 1); model column c is grid column c. Column 0, the row number, is
// also handed out as the vertical header text so the view can show it as a fixed column.

#include <QAbstractTableModel>
#include <QStringList>

#include "table/TRowStore.h"

class TStringGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TStringGridModel(int colCount = 5, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    int ColCount() const { return m_rows.ColCount(); }
    void SetColCount(int count);
    int DataRowCount() const { return m_rows.RowCount(); }
    // Grows with empty rows or drops rows from the end, one insert or remove.
    void SetDataRowCount(int count);
    void AppendRow();
    // The table ends in one numbered open row (TRowStore::endWithOpenRow); a row it adds is
    // one insert.
    void endWithOpenRow();

    QString Title(int col) const { return m_titles.value(col); }
    void SetTitle(int col, const QString &text);
    QString Cell(int col, int row) const { return m_rows.Cell(col, row); }
    void SetCell(int col, int row, const QString &text);

    const TRowStore &Rows() const { return m_rows; }
    // Replaces every data row at once (opening a file): one model reset.
    void SetRows(TRowStore rows);

private:
    TRowStore m_rows;
    QStringList m_titles;
};
