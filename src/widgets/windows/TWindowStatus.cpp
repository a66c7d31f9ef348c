#include "windows/TWindowStatus.h"

#include <QMainWindow>
#include <QStatusBar>

TWindowStatus::TWindowStatus(QMainWindow *window)
    : m_bar(window->statusBar())
{}

void TWindowStatus::place(QWidget *widget, int stretch)
{
    m_bar->addPermanentWidget(widget, stretch);
}

void TWindowStatus::showTrouble(QWidget *widget, bool trouble)
{
    // A palette that sets one role takes every other from the parent; one that sets none is
    // the parent's.
    QPalette palette;
    if (trouble)
        palette.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
    widget->setPalette(palette);
}
