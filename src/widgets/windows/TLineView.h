#pragma once

// What a registration window shows and does about its line, kept beside the window: the
// status panel in its status bar fed by the poller's events, the live port menu, reconnection
// of a line lost while polling, the informative text of the port error box, and the frame log
// when the settings ask for it ("Config"/"FrameLog"=1).

#include <chrono>

#include <QObject>

class TLivePortMenu;
class TRegistrationWindow;
class TStatusPanel;

class TLineView : public QObject
{
    Q_OBJECT
public:
    // After the window's creation: its poller, settings and table exist.
    explicit TLineView(TRegistrationWindow *window);

    static constexpr std::chrono::milliseconds ReconnectPause{2000};

    TStatusPanel *panel() const { return m_panel; }
    TLivePortMenu *portMenu() const { return m_portMenu; }
    // The frame log beside the settings file "<dir>/Tarvo.Ini": "<dir>/Tarvo-frames.log".
    static QString frameLogPath(const QString &iniPath);

private:
    void countResults();

    TRegistrationWindow *m_window;
    TStatusPanel *m_panel = nullptr;
    TLivePortMenu *m_portMenu = nullptr;
};
