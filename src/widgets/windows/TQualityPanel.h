#pragma once

// The quality tools of a registration window: values coloured against their limits, the
// statistics bar under the grid, the "Сервис" menu with the limits dialog and the bar's
// switch, and notes in the status bar on a "Limits" section that could not be taken whole.
// Without a "Limits" section the grid draws as a plain string grid, the bar stays hidden and
// no status bar is made, so the window looks, saves and prints as it always did.

#include <functional>
#include <optional>
#include <utility>

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "quality/TLimits.h"

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class TColorStringGrid;
class TIniPlus;
class TWindowSettings;
class TWindowStatus;
class TLimitColors;
class TStatsBar;

class TQualityPanel : public QObject
{
    Q_OBJECT

public:
    // Puts the grid and the statistics bar under it in the window's centre and appends the
    // "Сервис" menu to the menu bar, after the menus already there.
    TQualityPanel(QMainWindow *window, TColorStringGrid *grid);

    // The limits dialog: the value columns (number, title) and the limits in force; nothing
    // when the operator cancelled. Tests replace it to answer without a person.
    using LimitsQuestion
        = std::function<std::optional<TLimits>(const QList<std::pair<int, QString>> &columns,
                                               const TLimits &limits)>;
    LimitsQuestion askLimits;

    // Reads "Limits" for the grid's value columns and the bar's "Window" choice from the
    // settings file (a missing file reads as empty) and remembers the file for the dialog.
    // The window's settings, read and written through them, and its status bar for the notes.
    void readSettings(TWindowSettings *settings, TWindowStatus *status);
    // The bar's choice, into the window's settings as they are written on closing.
    void writeSettings(TIniPlus &ini) const;
    // "Нормы…": the dialog; on OK the limits go to the settings file and take effect.
    void editLimits();

    const TLimits &limits() const { return m_limits; }
    // The notes the status bar shows; empty when the section was taken whole.
    const QStringList &notes() const { return m_notes; }
    QList<std::pair<int, QString>> valueColumns() const;

    QMenu *serviceMenu() const { return m_service; }
    QAction *limitsAction() const { return m_limitsAction; }
    TStatsBar *statsBar() const { return m_statsBar; }
    TLimitColors *colours() const { return m_colours; }

signals:
    // The limits in force changed (read from the settings, or chosen in the dialog).
    void limitsChanged(const TLimits &limits);

private:
    void apply(const TLimits &limits);
    void showNotes();

    QMainWindow *m_window = nullptr;
    TColorStringGrid *m_grid = nullptr;
    TLimitColors *m_colours = nullptr;
    TStatsBar *m_statsBar = nullptr;
    QMenu *m_service = nullptr;
    QAction *m_limitsAction = nullptr;
    QLabel *m_notesLabel = nullptr; // made with the first note
    bool m_barChosen = false;       // the operator switched the bar in this session
    TWindowSettings *m_settings = nullptr;
    TWindowStatus *m_status = nullptr;
    TLimits m_limits;
    QStringList m_notes;
};
