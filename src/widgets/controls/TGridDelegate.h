#pragma once

// Draws and edits the data cells of a TColorStringGrid: the owner's OnGetCellColor picks
// brush and font, then the cell is drawn plainly; the editor is a line edit that takes only
// what a results file can hold, and reports to OnGetEditText / OnSetEditText.

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

private:
    TColorStringGrid *m_grid = nullptr;
};
