#pragma once

// A simulated milk analyser on a pseudo-terminal. It serves the slave side the program opens
// as its serial port: it answers the poll requests carrying its address, logs what it
// received and what it answered, and can spoil replies on request to exercise the pollers.
// All accessors are thread-safe; the line is served by a thread of its own.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/ControlMilk.h"
#include "sim/MilkGenerator.h"

class InstrumentSim
{
public:
    enum class Family { Tarvo, Mirel };

    // Applied one per answered exchange, in the order queued.
    struct Fault
    {
        enum Kind {
            None,
            Silence,     // no reply at all
            ShortReply,  // the last `param` bytes left off (default 1)
            WrongEcho,   // echo byte `param` (0..3) changed
            WrongLength, // `param` bytes in all, the echo still at the end
            Garbage,     // `param` garbage bytes ahead of the reply (default 1)
            Trickle,     // this reply at the line's true byte time
            BadStatus,   // status word `param` in this reply
            HangUp,      // the line drops instead of answering, as if the adapter were pulled
            Delay        // the reply starts `param` ms late
        };
        Kind kind = None;
        int param = 0;
    };

    struct Exchange
    {
        std::vector<uint8_t> request;
        std::vector<uint8_t> reply; // the bytes sent, after the fault
        bool resultFrame = false;   // the answer to a fetch
        uint16_t status = 0;        // as carried; 0 for the short first-family frames
        uint8_t groupOrCount = 0;
        uint32_t mask = 0;          // second family only
        std::vector<double> values; // exactly what the words carry, in frame order
        Fault fault;
    };

    explicit InstrumentSim(Family family, uint16_t address = 0);
    ~InstrumentSim(); // stops, closes the line and removes its link
    InstrumentSim(const InstrumentSim &) = delete;
    InstrumentSim &operator=(const InstrumentSim &) = delete;

    // Opens a pty in raw mode, optionally points the symlink `linkPath` at its slave
    // (replacing an older link, never a file), and serves it. False with errorString() set.
    bool start(const std::string &linkPath = {});
    // Closes the master now and removes the link: to the program it is an adapter pulled out.
    void stop();
    bool isServing() const;        // false after stop() and after a hang-up
    std::string slaveName() const; // e.g. /dev/pts/5; empty while the line is down
    std::string linkPath() const;
    std::string errorString() const;

    Family family() const { return m_family; }
    void setAddress(uint16_t address);
    uint16_t address() const;
    bool setTarvoLength(int length); // 38, 54 or 106 (default 106); false for others
    void setStatus(uint16_t status); // first family 0, second 0x0800 by default
    void setGroup(uint8_t group);    // group or count of the next result; +1 per result
    void setCount(uint8_t count) { setGroup(count); }
    void setMask(uint32_t mask);                // second family; default all 27 values present
    void setValues(std::vector<double> values); // fixed values from now on (missing ones 0)
    void useGenerator(uint32_t rngStart);       // generated values again (the default)
    // Generated samples n, 2n, 3n ... out of the usual milk norms; 0 (the default): none.
    void setOddEvery(int n);
    // Every nth result a control sample at given values (ControlMilk); off by default.
    void setControlMilk(ControlMilk control);
    void queueFault(Fault fault);
    void setTrickle(bool on); // every reply at 1.146 ms per byte (9600 8-O-1)

    // Called on the serving thread for every request frame received, any address.
    void setFrameCallback(std::function<void(const std::vector<uint8_t> &)> callback);

    std::vector<std::vector<uint8_t>> receivedFrames() const; // every 5-byte request seen
    std::vector<Exchange> exchanges() const;                  // the ones answered
    bool waitForExchanges(std::size_t count, int timeoutMs) const;
    bool waitForFrames(std::size_t count, int timeoutMs) const;
    void clearLogs();

    bool reopen(); // a new pty, the link pointed at it again, served as before

    static constexpr int ByteTimeUs = 1146; // 11 bits at 9600 bit/s

private:
    bool openLine();
    void closeLine();
    bool startThread();
    void stopThread();
    void serve();
    bool handleFrame(const std::vector<uint8_t> &frame); // false once the line is dropped
    Exchange answer(const std::vector<uint8_t> &request);
    bool writeReply(const std::vector<uint8_t> &bytes, bool trickle, int delayMs);
    bool waitStop(int64_t deadlineNs) const; // true when asked to stop
    void onSlaveClosed();
    void setError(const std::string &what);

    const Family m_family;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::thread m_thread;

    // Written only while the serving thread is not running, or by that thread itself.
    int m_masterFd = -1;
    int m_slaveFd = -1; // keeps the line up while no client has the slave open
    int m_watchFd = -1; // inotify on the slave node, to see clients close it
    int m_stopFd = -1;  // eventfd that wakes the serving thread

    // Guarded by m_mutex.
    std::string m_slaveName;
    std::string m_linkPath;
    std::string m_error;
    bool m_serving = false;
    uint16_t m_address = 0;
    int m_tarvoLength = 106;
    uint16_t m_status = 0;
    uint8_t m_group = 1;
    uint32_t m_mask = 0x07FFFFFF;
    bool m_fixed = false;
    std::vector<double> m_values;
    MilkGenerator m_generator;
    ControlMilk m_control;
    std::mt19937 m_garbage{7};
    std::deque<Fault> m_faults;
    bool m_trickle = false;
    std::function<void(const std::vector<uint8_t> &)> m_callback;
    std::vector<std::vector<uint8_t>> m_frames;
    std::vector<Exchange> m_exchanges;
};
