#pragma once

// The polling thread shared by both families: it owns the serial port, and loops over the
// get-number step and the exchanges for codes 4, 6, 7 and 9.

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include <QString>

#include "pollers/TPollerFamily.h"

class TComPort;
class TOpPoller;
class TSyncCaller;

class TOpPollerThread
{
public:
    // Created suspended. A failure to create or configure the port sets OpenFailed.
    TOpPollerThread(const TPollerFamily &family, const QString &port, TOpPoller *owner,
                    TSyncCaller *caller);
    virtual ~TOpPollerThread();
    TOpPollerThread(const TOpPollerThread &) = delete;
    TOpPollerThread &operator=(const TOpPollerThread &) = delete;

    void Resume();
    // Asks the loop to end; wakes a read or an idle pause at once.
    void Terminate();
    bool Terminated() const { return m_terminated.load(); }
    void WaitFor();

    bool OpenFailed = false;
    uint8_t Request[5] = {0x90, 0xA0, 0xA0, 0xA0, 0};
    uint8_t step = 0;
    uint8_t ResultKind = 0;
    std::vector<uint8_t> reply; // zero-filled before each long read

    // A cycle that made no exchange is followed by this pause, so an idle poll does not spin a
    // core; Stop ends it at once.
    static constexpr int IdlePauseMs = 100;

    const TPollerFamily &Family() const { return m_family; }

private:
    void Execute();
    bool Exchange(uint8_t code);
    bool IdlePause(); // false when the line has gone

    const TPollerFamily &m_family;
    TOpPoller *m_owner;
    TSyncCaller *m_caller;
    std::unique_ptr<TComPort> m_port;
    std::thread m_thread;
    std::atomic<bool> m_terminated{false};
    int m_wakeFd = -1; // eventfd: readable once Terminate was called
};
