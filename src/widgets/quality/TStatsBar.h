#pragma once

// The statistics of a grid's value columns, shown under the grid with each value under its
// column: it follows the columns' widths, hidden columns and horizontal scrolling. It
// counts the selected rows when two or more are selected, else every row, and follows
// appended results, edits and the selection as they happen. Ctrl+C copies it as
// TAB-separated text. The operator hides it through toggleAction(); the choice is kept in
// the window's settings file once the operator has made one.

#include <vector>

#include <QLocale>
#include <QWidget>

#include "quality/StatsText.h"
#include "quality/TColumnStats.h"

class QAction;
class TColorStringGrid;
class TIniPlus;

class TStatsBar : public QWidget
{
    Q_OBJECT

public:
    explicit TStatsBar(TColorStringGrid *grid, QWidget *parent = nullptr,
                       const QLocale &locale = QLocale::system());

    void setLimits(const TLimits &limits);

    QAction *toggleAction() const { return m_toggle; }
    QAction *copyAction() const { return m_copy; }

    bool showsSelection() const;
    // Index k is grid column FirstValueCol + k.
    std::vector<TStat> shown() const;
    // The visible value columns with their titles, as copied.
    QString text() const;
    void copy() const;

    // Section "Window", key "Statistics"; without the key the bar shows when there are limits.
    void restore(const TIniPlus &ini, bool limitsSet);
    // Writes only once the operator has chosen (or the file already holds a choice).
    bool save(TIniPlus &ini) const;

    // Where grid column col stands in this bar (its whole height); empty when the column is
    // hidden or scrolled out of sight.
    QRect columnRect(int col) const;
    // The left part that names the lines: under the number and label columns.
    QRect namesRect() const;

    void setVisible(bool visible) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectGrid();
    void reshape();
    void changed()
    {
        m_dirty = true;
        update();
    }
    QList<std::pair<int, int>> selectedRows(int *count) const;
    int lineHeight() const;

    TColorStringGrid *m_grid = nullptr;
    QLocale m_locale;
    TColumnStats m_stats;
    QAction *m_toggle = nullptr;
    QAction *m_copy = nullptr;
    bool m_inFile = false;
    bool m_restoredShown = true; // a new bar shows
    mutable bool m_dirty = true;
    mutable bool m_selection = false;
    mutable std::vector<TStat> m_shown;
};
