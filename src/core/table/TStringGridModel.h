#pragma once

// The table behind a string grid: the data rows in a compact TRowStore and the column
// titles as plain strings (a title may hold what Windows-1251 cannot). Model row r is data
// row r (grid row r + 1); model column c is grid column c. Column 0, the row number, is
// also handed out as the vertical header text so the view can show it as a fixed column.

#include <functional>
#include <optional>

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

    QString Title(int col) const;
    void SetTitle(int col, const QString &text);
    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString &text);

    // A column after the table's own whose cells are kept elsewhere (a delivery's quantity):
    // shown and edited like the others, but never part of Rows(), so the results file, its
    // statistics and its protocol do not see it. Model column ColCount() while it is there;
    // without it the model is what it always was.
    struct OuterColumn
    {
        QString title;
        std::function<QString(int row)> text;
        std::function<void(int row, const QString &text)> setText;
    };
    void setOuterColumn(std::optional<OuterColumn> column);
    bool isOuter(int col) const { return m_outer && col == ColCount(); }
    // The outer column's cell of `row` has changed where it is kept.
    void outerChanged(int row);

    const TRowStore &Rows() const { return m_rows; }
    // Replaces every data row at once (opening a file): one model reset.
    void SetRows(TRowStore rows);

private:
    TRowStore m_rows;
    QStringList m_titles;
    std::optional<OuterColumn> m_outer;
};
