#pragma once

// The serial port as the pollers use it: opened exclusively, buffers cleared, a command
// written, a reply read within a total time-out. The pollers ask for 9600 8-O-1 themselves.
// Platform code lives in ComPortPosix.cpp and ComPortWin32.cpp.

#include <cstdint>
#include <memory>
#include <optional>

#include <QString>

#include "serial/EComPort.h"

enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

// Line events; the pollers watch none.
enum TComEvent : uint32_t {
    evRxChar = 1 << 0,
    evTxEmpty = 1 << 1,
    evRxFlag = 1 << 2,
    evRing = 1 << 3,
    evBreak = 1 << 4,
    evCTS = 1 << 5,
    evDSR = 1 << 6,
    evError = 1 << 7,
    evRLSD = 1 << 8,
    evRx80Full = 1 << 9
};
using TComEvents = uint32_t;
inline constexpr TComEvents AllComEvents = 0x3FF;

class TCustomComPort;

// Settings groups. Setting a value while the port is open re-applies the group.
class TComParity
{
public:
    explicit TComParity(TCustomComPort *owner)
        : m_owner(owner)
    {}
    TParityBits Bits() const { return m_bits; }
    void SetBits(TParityBits v);
    bool Check() const { return m_check; }
    void SetCheck(bool v);
    bool Replace() const { return m_replace; }
    void SetReplace(bool v);
    char ReplaceChar() const { return m_replaceChar; }
    void SetReplaceChar(char v);

private:
    TCustomComPort *m_owner;
    TParityBits m_bits = prNone;
    bool m_check = false;
    bool m_replace = false;
    char m_replaceChar = 0;
};

class TComFlowControl
{
public:
    explicit TComFlowControl(TCustomComPort *owner)
        : m_owner(owner)
    {}
    TDTRFlowControl ControlDTR() const { return m_dtr; }
    void SetControlDTR(TDTRFlowControl v);
    TRTSFlowControl ControlRTS() const { return m_rts; }
    void SetControlRTS(TRTSFlowControl v);
    bool OutCTSFlow() const { return m_outCTS; }
    void SetOutCTSFlow(bool v);
    bool OutDSRFlow() const { return m_outDSR; }
    void SetOutDSRFlow(bool v);
    bool XonXoffIn() const { return m_xonXoffIn; }
    void SetXonXoffIn(bool v);
    bool XonXoffOut() const { return m_xonXoffOut; }
    void SetXonXoffOut(bool v);
    bool DSRSensitivity() const { return m_dsrSensitivity; }
    void SetDSRSensitivity(bool v);
    bool TxContinueOnXoff() const { return m_txContinueOnXoff; }
    void SetTxContinueOnXoff(bool v);
    char XonChar() const { return m_xonChar; }
    void SetXonChar(char v);
    char XoffChar() const { return m_xoffChar; }
    void SetXoffChar(char v);

private:
    TCustomComPort *m_owner;
    TDTRFlowControl m_dtr = dtrDisable;
    TRTSFlowControl m_rts = rtsDisable;
    bool m_outCTS = false, m_outDSR = false, m_xonXoffIn = false, m_xonXoffOut = false;
    bool m_dsrSensitivity = false, m_txContinueOnXoff = false;
    char m_xonChar = 17, m_xoffChar = 19;
};

class TComTimeouts
{
public:
    explicit TComTimeouts(TCustomComPort *owner)
        : m_owner(owner)
    {}
    int ReadInterval() const { return m_readInterval; }
    void SetReadInterval(int v);
    int ReadTotalMultiplier() const { return m_readTotalMultiplier; }
    void SetReadTotalMultiplier(int v);
    int ReadTotalConstant() const { return m_readTotalConstant; }
    void SetReadTotalConstant(int v);
    int WriteTotalMultiplier() const { return m_writeTotalMultiplier; }
    void SetWriteTotalMultiplier(int v);
    int WriteTotalConstant() const { return m_writeTotalConstant; }
    void SetWriteTotalConstant(int v);

    // The total time-out of a transfer of `count` bytes: multiplier x count + constant, in ms.
    // A read with a total of 0 takes what has already come; a write with a total of 0 has
    // no limit (nullopt).
    int64_t readTotalMs(int count) const;
    std::optional<int64_t> writeTotalMs(int count) const;

private:
    TCustomComPort *m_owner;
    int m_readInterval = -1;
    int m_readTotalMultiplier = 0;
    int m_readTotalConstant = 0;
    int m_writeTotalMultiplier = 100;
    int m_writeTotalConstant = 1000;
};

class TComBuffer
{
public:
    explicit TComBuffer(TCustomComPort *owner)
        : m_owner(owner)
    {}
    int InputSize() const { return m_inputSize; }
    void SetInputSize(int v);
    int OutputSize() const { return m_outputSize; }
    void SetOutputSize(int v);

private:
    TCustomComPort *m_owner;
    int m_inputSize = 1024;
    int m_outputSize = 1024;
};

class TCustomComPort
{
public:
    TCustomComPort();          // in the platform file, beside the saved state it owns
    virtual ~TCustomComPort(); // closes an open port
    TCustomComPort(const TCustomComPort &) = delete;
    TCustomComPort &operator=(const TCustomComPort &) = delete;

    QString Port() const { return m_port; }
    void SetPort(const QString &name);
    // "/dev/" + port name, or the name itself when it is an absolute path; on Windows
    // "\\.\" + port name.
    QString DeviceName() const;

    TBaudRate BaudRate() const { return m_baudRate; }
    void SetBaudRate(TBaudRate v);
    int CustomBaudRate() const { return m_customBaudRate; }
    void SetCustomBaudRate(int v);
    TDataBits DataBits() const { return m_dataBits; }
    void SetDataBits(TDataBits v);
    TStopBits StopBits() const { return m_stopBits; }
    void SetStopBits(TStopBits v);
    bool DiscardNull() const { return m_discardNull; }
    void SetDiscardNull(bool v);
    char EventChar() const { return m_eventChar; }
    void SetEventChar(char v);
    TComEvents Events() const { return m_events; }
    void SetEvents(TComEvents v) { m_events = v; }

    TComParity &Parity() { return m_parity; }
    TComFlowControl &FlowControl() { return m_flowControl; }
    TComTimeouts &Timeouts() { return m_timeouts; }
    TComBuffer &Buffer() { return m_buffer; }
    const TComParity &Parity() const { return m_parity; }
    const TComFlowControl &FlowControl() const { return m_flowControl; }
    const TComTimeouts &Timeouts() const { return m_timeouts; }
    const TComBuffer &Buffer() const { return m_buffer; }

    bool Connected() const { return m_connected; }
    // -1 when closed. On Windows the HANDLE's value (HandleToLong), a kernel handle having
    // 32 significant bits.
    int Handle() const { return m_handle; }

    void Open();  // does nothing when connected; raises EComPort 1, 9, 7 or 8
    void Close(); // does nothing when not connected; raises 5 (after closing) if purging failed
    void ClearBuffer(bool input, bool output); // raises 5
    // Writes the whole buffer within WriteTotalMultiplier x count + WriteTotalConstant ms
    // (no limit when both are 0), else raises 2. The cancel descriptor ends it early with the
    // number written so far.
    int Write(const void *buffer, int count);
    // Returns when count bytes have come, or after
    // ReadTotalMultiplier x count + ReadTotalConstant ms with what came.
    // A hang-up (adapter pulled, pty master closed) raises code 3 at once.
    // With both read totals 0 it takes only what has already come.
    int Read(void *buffer, int count);

    // An optional descriptor (e.g. an eventfd) that ends a Read or Write early, with what has
    // been transferred, once it becomes readable; on Windows an event's handle, once it is
    // signalled. -1 = none. Lets a poller stop without waiting a time-out.
    void setCancelFd(int fd) { m_cancelFd = fd; }

    // Re-applies a settings group while open; called by the groups' setters.
    void applyLineSettings();
    void applyTimeouts();
    void applyBuffer();

protected:
    // Raises code 14 while connected: for settings that cannot change under an open device.
    void ensureClosedForChange() const;

private:
    QString m_port = QStringLiteral("COM1");
    TBaudRate m_baudRate = br9600;
    int m_customBaudRate = 9600;
    TDataBits m_dataBits = dbEight;
    TStopBits m_stopBits = sbOneStopBit;
    bool m_discardNull = false;
    char m_eventChar = 0;
    TComEvents m_events = AllComEvents;
    TComParity m_parity{this};
    TComFlowControl m_flowControl{this};
    TComTimeouts m_timeouts{this};
    TComBuffer m_buffer{this};

    bool m_connected = false;
    int m_handle = -1;
    int m_cancelFd = -1;
    struct TSavedState; // the line state found at open, restored at close (platform data)
    std::unique_ptr<TSavedState> m_saved;

    void releaseDevice() noexcept; // undoes a whole or half-finished open
};

class TComPort : public TCustomComPort
{};

// Bits per second of an enumerated speed; the custom speed for brCustom.
int baudRateValue(TBaudRate rate, int customRate);
