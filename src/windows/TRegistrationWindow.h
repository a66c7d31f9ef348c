#pragma once

#include <QMainWindow>

class QEventLoop;

// What the two registration windows share.
class TRegistrationWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit TRegistrationWindow(QWidget *parent = nullptr);
    ~TRegistrationWindow() override;

    // Shows the window application-modal and returns when it has closed.
    void ShowModal();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QEventLoop *m_modalLoop = nullptr;
};
