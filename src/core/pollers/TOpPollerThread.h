#pragma once

// The polling thread shared by both families: it owns the serial port and loops over the
// get-number step and the exchanges of the family's requests. It knows its poller only
// through the hooks it is given, which run on the UI thread while this thread waits.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include <QString>

#include "pollers/RequestFrame.h"
#include "pollers/TPollerFamily.h"

class FrameLog;
class TComPort;
class TSyncCaller;

// The address and the request of one cycle, as the get-number step left them.
struct TPollOrder
{
    uint16_t address = 0;
    uint8_t code = 0;
};

// The device that could not be opened at start and the errno of the failing call.
struct TPortFailure
{
    QString device;
    int error = 0;
};

// What the line did, told to the UI thread without waiting for it.
struct TLineEvent
{
    enum class Kind : uint8_t {
        Dropped,  // a reply was dropped, for `verdict`
        Lost,     // the line is gone (`error`); the port is opened again every reconnect pause
        Retry,    // opening it again failed (`error`)
        Restored, // it opened again; the cycle goes on
    };
    Kind kind = Kind::Dropped;
    TReplyVerdict verdict = TReplyVerdict::Accepted;
    int error = 0;
};

struct TPollerHooks
{
    std::function<void(const TPortFailure &)> errorOpenPort;
    std::function<TPollOrder()> getNumber;
    // Gets ResultKind and the whole reply buffer; returns the request for the rest of the
    // cycle, or nothing to leave it as it was.
    std::function<std::optional<uint8_t>(uint8_t kind, std::span<const uint8_t> reply)> putResult;
    std::function<void()> ended; // queued once the thread has ended, without waiting
    std::function<void(const TLineEvent &)> lineEvent; // queued, without waiting; may be empty
};

struct TPollerThreadSetup
{
    const TPollerFamily *family = nullptr;
    QString port;
    TSyncCaller *caller = nullptr;
    TPollerHooks hooks;
    // A cycle that made no exchange, or whose reply was dropped, is made up to this long
    // before the next one begins, so an idle poll or garbage on the line does not spin a core.
    // The time the cycle already spent counts: after a read that waited out its time-out the
    // next cycle begins at once. terminate() ends the pause at once.
    std::chrono::milliseconds idlePause{100};
    // Unset: a lost line ends polling. Set: the port is opened again after each such pause
    // until it opens or terminate() is called.
    std::optional<std::chrono::milliseconds> reconnectPause;
    QString frameLogPath; // empty: no frame log
};

class TOpPollerThread
{
public:
    // Created suspended. A failure to create or configure the port sets OpenFailed.
    explicit TOpPollerThread(TPollerThreadSetup setup);
    virtual ~TOpPollerThread();
    TOpPollerThread(const TOpPollerThread &) = delete;
    TOpPollerThread &operator=(const TOpPollerThread &) = delete;

    void resume();
    // Asks the loop to end; wakes a read or an idle pause at once.
    void terminate();
    bool terminated() const { return m_terminated.load(); }
    void waitFor();

    bool OpenFailed = false;

private:
    enum class End { Stopped, Abandoned, LineGone };

    void execute();
    bool openAtStart();
    void serveLine();
    End pollUntilStopped();
    bool getNumberStep(); // false when the poller abandoned its calls
    bool putResultStep(); // likewise
    TReplyVerdict exchange(const TReplyRule &rule);
    // Waits what is left of the idle pause after a cycle begun at `cycleStart`; false when
    // the line has gone.
    bool idlePause(std::chrono::steady_clock::time_point cycleStart);
    bool reopen(); // false when stopped before the port opened again
    bool sleepUnlessWoken(std::chrono::milliseconds pause) const; // false when woken
    void closePort() noexcept;
    void notify(const TLineEvent &event);
    // The wake signal, in the platform file: made with the thread, raised by terminate(),
    // released with the thread.
    void openWake();
    void raiseWake();
    void closeWake() noexcept;

    TPollerThreadSetup m_setup;
    const TPollerFamily &m_family;
    std::unique_ptr<TComPort> m_port;
    std::unique_ptr<FrameLog> m_frameLog;
    std::thread m_thread;
    std::atomic<bool> m_terminated{false};
    // Set once terminate() was called: an eventfd (readable), on Windows a manual-reset
    // event's handle (signalled); -1 when none could be made.
    int m_wakeFd = -1;

    // The thread's own state; the UI thread sees it only through the hooks.
    uint16_t m_address = 0;
    uint8_t m_step = 0;
    uint8_t m_resultKind = 0;
    std::vector<uint8_t> m_reply;  // zeroed before each reply that carries a result
    std::size_t m_replyLength = 0; // the bytes of m_reply the last such reply filled
};
