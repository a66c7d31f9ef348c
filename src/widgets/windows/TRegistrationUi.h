#pragma once

// The controls of a registration window, named as the window always named them, and where they
// stand: the grid, the tool bar with the number box and the poll button, the menus. The window
// inherits them and connects them to its handlers, as a form laid out in Qt Designer is used.

#include <QString>

// The panel comes whole with the controls: the windows and their tests use it as one of them.
#include "windows/TQualityPanel.h"

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;
class TColorStringGrid;
class TNumberEdit;

class TRegistrationUi
{
public:
    TColorStringGrid *MainGrid = nullptr;
    TNumberEdit *NumberEdit1 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QToolButton *PollButton = nullptr;
    QMenu *MenuPort = nullptr;
    QMenu *mnFile = nullptr;
    QAction *mnAbout = nullptr;
    QAction *actNew = nullptr;
    QAction *actOpenFile = nullptr;
    QAction *actSave = nullptr;
    QAction *actSaveAs = nullptr;
    QAction *actPrint = nullptr;
    QAction *actOpr = nullptr;
    QAction *actExit = nullptr; // the last item of "Файл": closes the window, as its cross does
    // Limits, coloured values, the statistics bar and the "Сервис" menu.
    TQualityPanel *qualityPanel = nullptr;

    // A window wide enough for `units` columns that each fit `text` in the window's font.
    static int widthForUnits(int units, const QString &text);

protected:
    // The window gets its font and a size of 756 x 527 at the least, as wide as its width rule
    // would like (wantedWidth) where the screen allows, centred on the screen.
    void setupUi(QMainWindow *window, int wantedWidth);
    // The program's texts on the menus, actions and the number box.
    void SetCaptionsAndHints();
    // Idle: image 4, "Включить опрос", number box enabled; polling: image 5, "Остановить опрос",
    // number box disabled.
    void SetPollingLook(bool polling);
    // "Выход" at the end of "Файл", once every other item is in (the archive's too).
    void EndFileMenu();

private:
    void BuildActions(QMainWindow *window);
    void BuildMenus(QMainWindow *window);
    void BuildToolbar(QMainWindow *window);
};
