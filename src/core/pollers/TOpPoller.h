#pragma once

// The poller component shared by both instrument families. It lives on the UI thread; its
// events run there, and the polling thread waits while they run.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QString>

#include "pollers/TPollerFamily.h"

class TOpPoller;
class TOpPollerThread;
class TSyncCaller;

using TPollerEvent = std::function<void(TOpPoller *Sender)>;

class TOpPoller : public QObject
{
    Q_OBJECT
public:
    ~TOpPoller() override;

    QString Port = QStringLiteral("COM1");
    uint16_t DeviceNumber = 0;
    uint8_t Command = 0;
    // Byte 0 = ResultKind, then the reply buffer.
    std::vector<uint8_t> ResultData;

    TPollerEvent OnErrorOpenPort;
    TPollerEvent OnStarting;
    TPollerEvent OnStoping;
    TPollerEvent OnGetNumber;
    TPollerEvent OnPutResult;

    bool Active() const { return m_active; }
    void Start();
    void Stop();

    const TPollerFamily &Family() const { return m_family; }

    // Steps the polling thread runs on the UI thread.
    void FireErrorOpenPort();
    void GetNumberStep(TOpPollerThread &thread);
    void PutResultStep(TOpPollerThread &thread);
    void ThreadEnded();

protected:
    TOpPoller(const TPollerFamily &family, QObject *owner);
    virtual std::unique_ptr<TOpPollerThread> CreateThread();
    TSyncCaller *Caller() const { return m_caller.get(); }

private:
    const TPollerFamily &m_family;
    std::unique_ptr<TSyncCaller> m_caller;
    std::unique_ptr<TOpPollerThread> m_thread;
    bool m_active = false;
};
