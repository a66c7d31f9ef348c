#pragma once

// The widths the operator gives columns by dragging their header edges, kept in the
// settings file (ColumnWidths) and put back over the window's width rule each time the rule
// runs. Without the key, and with no column dragged, the rule alone sets the widths and
// nothing is written.

#include <map>

#include <QObject>

class TColorStringGrid;
class TIniPlus;

class TColumnWidths : public QObject
{
    Q_OBJECT
public:
    // Reads the settings file now.
    TColumnWidths(TColorStringGrid *grid, const TIniPlus &ini);

    // After the width rule: the operator's widths for the columns that are shown.
    void apply();
    // Into the window's settings as they are written on closing.
    void writeSettings(TIniPlus &ini) const;

private:
    bool eventFilter(QObject *watched, QEvent *event) override;

    TColorStringGrid *m_grid = nullptr;
    std::map<int, int> m_widths;
    bool m_dragging = false; // a mouse button is down on the header
    bool m_applying = false;
};
