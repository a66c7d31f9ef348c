#pragma once

// Draws and edits the data cells of a TColorStringGrid: the owner's OnGetCellColor picks
// brush and font, then the cell is drawn plainly; the editor is a line edit that takes only
// what a results file can hold, and reports to OnGetEditText / OnSetEditText. Enter takes the
// text and moves to the cell below, as in a spreadsheet; a paste of several lines goes to the
// grid's OnPaste instead of into the one cell.

#include <QStyledItemDelegate>

class TColorStringGrid;

class TGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit TGridDelegate(TColorStringGrid *grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TColorStringGrid *m_grid = nullptr;
};
