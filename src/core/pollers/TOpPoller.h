#pragma once

// The poller component shared by both instrument families. It lives on the UI thread; its
// events run there, and the polling thread waits while they run.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QObject>
#include <QString>

#include "pollers/RequestCode.h"
#include "pollers/TOpPollerThread.h"
#include "pollers/TPollerFamily.h"

class TOpPoller;
class TSyncCaller;

using TPollerEvent = std::function<void(TOpPoller *Sender)>;

class TOpPoller : public QObject
{
    Q_OBJECT
public:
    ~TOpPoller() override;

    QString Port = QStringLiteral("COM1");
    uint16_t DeviceNumber = 0;
    uint8_t Command = RequestCode::Idle;
    // Byte 0 = ResultKind, then the reply buffer.
    std::vector<uint8_t> ResultData;
    // How many reply bytes the last reply put into ResultData after byte 0; the bytes past
    // them are an earlier, longer reply's.
    std::size_t ResultLength = 0;

    TPollerEvent OnErrorOpenPort;
    TPollerEvent OnStarting;
    TPollerEvent OnStoping;
    TPollerEvent OnGetNumber;
    TPollerEvent OnPutResult;

    bool Active() const { return m_active; }
    void Start();
    void Stop();

    // The least a cycle that sent nothing or dropped its reply lasts; taken by the next Start.
    void setIdlePause(std::chrono::milliseconds pause) { m_idlePause = pause; }
    // Unset (the default): a line lost while polling ends polling. Set: the poller stays
    // active and opens the same port again after each such pause until it opens or Stop.
    void setReconnectPause(std::optional<std::chrono::milliseconds> pause)
    {
        m_reconnectPause = pause;
    }
    // Every request and reply with its verdict goes to this file (rotated); empty: none.
    void setFrameLog(const QString &path) { m_frameLogPath = path; }
    // The device and errno of the last open that failed at start, for OnErrorOpenPort.
    TPortFailure openFailure() const { return m_openFailure; }

signals:
    // What the events tell, for whoever watches polling besides the owner: the thread was
    // started, the port did not open (before OnErrorOpenPort), a get-number step ran (after
    // OnGetNumber: Command holds its decision), the thread has ended (after OnStoping).
    void started();
    void openFailed(const TPortFailure &failure);
    void numberTaken();
    void stopped();
    // The line as the thread sees it; on the UI thread, in the order things happened.
    void replyAccepted();
    void replyDropped(TReplyVerdict why);
    void lineLost(int error);
    void reconnectFailed(int error);
    void lineRestored();

protected:
    TOpPoller(const TPollerFamily &family, QObject *owner);
    virtual std::unique_ptr<TOpPollerThread> createThread(TPollerThreadSetup setup);

private:
    // The thread's steps, run on the UI thread.
    TPollOrder getNumberStep();
    std::optional<uint8_t> putResultStep(uint8_t kind, std::span<const uint8_t> reply);
    void threadEnded();
    void handleLineEvent(const TLineEvent &event);

    const TPollerFamily &m_family;
    std::unique_ptr<TSyncCaller> m_caller;
    std::unique_ptr<TOpPollerThread> m_thread;
    std::chrono::milliseconds m_idlePause = TPollerThreadSetup().idlePause;
    std::optional<std::chrono::milliseconds> m_reconnectPause;
    QString m_frameLogPath;
    TPortFailure m_openFailure;
    bool m_active = false;
};
