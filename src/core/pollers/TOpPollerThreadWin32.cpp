// The poller thread's wake signal on Windows: a manual-reset event, which also ends the
// port's pending transfer at once (the port waits for it beside its own completion).

#include "pollers/TOpPollerThread.h"

#include <algorithm>

#include <windows.h>

#include "serial/TCustomComPort.h"

namespace {

DWORD waitMs(std::chrono::milliseconds pause)
{
    return DWORD(std::clamp<std::chrono::milliseconds::rep>(pause.count(), 0, 1 << 30));
}

// Sleeps up to ms, less once the wake event is signalled; true when it was.
bool waitWake(int wake, DWORD ms)
{
    if (wake == -1) {
        Sleep(ms);
        return false;
    }
    return WaitForSingleObject(LongToHandle(wake), ms) == WAIT_OBJECT_0;
}

} // namespace

void TOpPollerThread::openWake()
{
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_wakeFd = event ? HandleToLong(event) : -1;
}

void TOpPollerThread::raiseWake()
{
    if (m_wakeFd != -1)
        SetEvent(LongToHandle(m_wakeFd));
}

void TOpPollerThread::closeWake() noexcept
{
    if (m_wakeFd != -1)
        CloseHandle(LongToHandle(m_wakeFd));
    m_wakeFd = -1;
}

bool TOpPollerThread::idlePause(std::chrono::steady_clock::time_point cycleStart)
{
    const auto spent = std::chrono::steady_clock::now() - cycleStart;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_setup.idlePause - spent);
    waitWake(m_wakeFd, waitMs(left));
    // An adapter pulled while nothing is asked must be seen now, not when the next result is
    // due: its handle then refuses every call.
    DWORD errors = 0;
    return m_port->Handle() == -1
           || ClearCommError(LongToHandle(m_port->Handle()), &errors, nullptr);
}

bool TOpPollerThread::sleepUnlessWoken(std::chrono::milliseconds pause) const
{
    return !waitWake(m_wakeFd, waitMs(pause));
}
