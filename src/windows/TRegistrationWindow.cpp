#include "windows/TRegistrationWindow.h"

#include <QCloseEvent>
#include <QEventLoop>

TRegistrationWindow::TRegistrationWindow(QWidget *parent) : QMainWindow(parent) {}

TRegistrationWindow::~TRegistrationWindow()
{
    if (m_modalLoop)
        m_modalLoop->quit();
}

void TRegistrationWindow::ShowModal()
{
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    m_modalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_modalLoop = nullptr;
}

void TRegistrationWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted() && m_modalLoop)
        m_modalLoop->quit();
}
