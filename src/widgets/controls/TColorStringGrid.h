#pragma once

// A string grid in the manner of the classic one: a fixed title row (row 0, shown as the
// horizontal header), a fixed number column (column 0, shown as the vertical header) and
// data rows 1 .. RowCount-1 kept compact in a TRowStore, so a year of results (100,000 rows)
// opens, scrolls and grows without delay. Rows have one fixed height; nothing is ever sized
// to its contents. Editing is a switch the owner turns per cell (see OnSelectCell).

#include <functional>

#include <QBrush>
#include <QFont>
#include <QTableView>

#include "table/TRowStore.h"

class TStringGridModel;
class TGridHeader;

enum TGridDrawStateFlag {
    gdSelected = 0x1,
    gdFocused = 0x2,
    gdFixed = 0x4,
};
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

class TColorStringGrid : public QTableView
{
    Q_OBJECT

public:
    explicit TColorStringGrid(QWidget *parent = nullptr);

    int ColCount() const;
    void SetColCount(int count);
    // Includes the title row; at least 1.
    int RowCount() const;
    void SetRowCount(int count);

    QString Cells(int col, int row) const;
    void SetCells(int col, int row, const QString &text);

    // -1 hides a column (and, for column 0, the number column).
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int DefaultColWidth() const;
    // Gives every column this width and shows hidden ones again, as the classic grid does.
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const;
    void SetDefaultRowHeight(int height);
    // The width, number column included, that the owners' width rules divide.
    int GridClientWidth() const;

    // One empty row at the end: one row insert, nothing else is laid out again.
    void AppendRow();
    // The table ends in one numbered open row, which the next result fills: added when the
    // last row holds a result (one row insert), numbered in any case.
    void endWithOpenRow();
    const TRowStore &Rows() const;
    // The model under the grid, for views that follow the table (statistics, exports).
    TStringGridModel *GridModel() const { return m_model; }
    // Bulk replacement (opening a file): one model reset; column widths are kept.
    void SetRows(TRowStore rows);

    bool Editing() const { return m_editing; }
    void SetEditing(bool on);
    bool EditorOpen() const { return state() == QAbstractItemView::EditingState; }
    // Takes the text of the open editor into its cell; the editor stays open. Shortcuts work
    // inside the editor, so a save or a print takes what is being typed first.
    void CommitEditor();
    // Closes the open editor without taking its text: the table under it is being replaced.
    void DiscardEditor();

    // Sets a cell as if the operator had typed it: the owner hears OnGetEditText, then
    // OnSetEditText with the new text.
    void editCell(int col, int row, const QString &text);
    // Enter in an editor: the same column of the next row becomes current, if there is one.
    void moveToNextRow();
    // The selected block as TAB-separated lines of the shown columns, the titles first when
    // whole columns are selected; Ctrl+C puts it on the clipboard.
    QString selectionText() const;

    std::function<void(int col, int row, bool &canSelect)> OnSelectCell;
    std::function<void(int col, int row, QString &value)> OnGetEditText;
    std::function<void(int col, int row, const QString &value)> OnSetEditText;
    std::function<void(TColorStringGrid *Sender, int ARow, int ACol, TGridDrawState AState,
                       QBrush &ABrush, QFont &AFont)>
        OnGetCellColor;
    // The header of data row `row` (1 = the first): a brush or a text other than the plain
    // ones marks it. Without the hook every row header is drawn as it always was.
    std::function<void(int row, QBrush &brush, QString &text)> OnGetRowHeader;
    // The text a data cell is drawn with instead of the text it holds (a corrected value);
    // without an owner's hook, or when it leaves the text as it is, the cell's own text.
    std::function<void(int col, int row, QString &text)> OnGetShownText;
    // Ctrl+V on a cell, or a paste of several lines into an editor: the clipboard's text.
    // Without an owner's hook the grid pastes nothing.
    std::function<void(int col, int row, const QString &text)> OnPaste;

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    // A grid does not jump to a row by its first letter; over 100,000 rows it would also
    // stall the window.
    void keyboardSearch(const QString &) override {}
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyRowHeight(int height);
    void paintCorner();
    void restoreWidths(const QList<int> &widths);
    QList<int> widths() const;

    TStringGridModel *m_model = nullptr;
    TGridHeader *m_top = nullptr;
    TGridHeader *m_left = nullptr;
    QWidget *m_corner = nullptr; // the title of column 0 is shown here
    bool m_editing = false;
};
