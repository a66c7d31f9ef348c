#pragma once

// The status bar of a registration window, and the one way into it: each part of the window
// places its own widgets there, left to right in the order they are placed, and trouble shows
// one way, in dark red by palette, so a widget keeps the window's font and its own look.

class QMainWindow;
class QStatusBar;
class QWidget;

class TWindowStatus
{
public:
    explicit TWindowStatus(QMainWindow *window);

    QStatusBar *bar() const { return m_bar; }
    // The widget stays while temporary messages come and go; stretch as QStatusBar's.
    void place(QWidget *widget, int stretch = 0);
    static void showTrouble(QWidget *widget, bool trouble);

private:
    QStatusBar *m_bar = nullptr;
};
