#include "serial/TCustomComPort.h"

#include <array>

// Setters of the groups: store the value, then re-apply the group if the port is open.

void TComParity::SetBits(TParityBits v)
{
    m_bits = v;
    m_owner->applyLineSettings();
}
void TComParity::SetCheck(bool v)
{
    m_check = v;
    m_owner->applyLineSettings();
}
void TComParity::SetReplace(bool v)
{
    m_replace = v;
    m_owner->applyLineSettings();
}
void TComParity::SetReplaceChar(char v)
{
    m_replaceChar = v;
    m_owner->applyLineSettings();
}

void TComFlowControl::SetControlDTR(TDTRFlowControl v)
{
    m_dtr = v;
    m_owner->applyLineSettings();
}
void TComFlowControl::SetControlRTS(TRTSFlowControl v)
{
    m_rts = v;
    m_owner->applyLineSettings();
}
void TComFlowControl::SetOutCTSFlow(bool v)
{
    m_outCTS = v;
    m_owner->applyLineSettings();
}
void TComFlowControl::SetOutDSRFlow(bool v)
{
    m_outDSR = v;
    m_owner->applyLineSettings();
}
void TComFlowControl::SetXonXoffIn(bool v)
{
    m_xonXoffIn = v;
    m_owner->applyLineSettings();
}
void TComFlowControl::SetXonXoffOut(bool v)
{
    m_xonXoffOut = v;
    m_owner->applyLineSettings();
}
void TComFlowControl::SetDSRSensitivity(bool v)
{
    m_dsrSensitivity = v;
    m_owner->applyLineSettings();
}
void TComFlowControl::SetTxContinueOnXoff(bool v)
{
    m_txContinueOnXoff = v;
    m_owner->applyLineSettings();
}
void TComFlowControl::SetXonChar(char v)
{
    m_xonChar = v;
    m_owner->applyLineSettings();
}
void TComFlowControl::SetXoffChar(char v)
{
    m_xoffChar = v;
    m_owner->applyLineSettings();
}

void TComTimeouts::SetReadInterval(int v)
{
    m_readInterval = v;
    m_owner->applyTimeouts();
}
void TComTimeouts::SetReadTotalMultiplier(int v)
{
    m_readTotalMultiplier = v;
    m_owner->applyTimeouts();
}
void TComTimeouts::SetReadTotalConstant(int v)
{
    m_readTotalConstant = v;
    m_owner->applyTimeouts();
}
void TComTimeouts::SetWriteTotalMultiplier(int v)
{
    m_writeTotalMultiplier = v;
    m_owner->applyTimeouts();
}
void TComTimeouts::SetWriteTotalConstant(int v)
{
    m_writeTotalConstant = v;
    m_owner->applyTimeouts();
}

int64_t TComTimeouts::readTotalMs(int count) const
{
    return int64_t(m_readTotalMultiplier) * count + m_readTotalConstant;
}

std::optional<int64_t> TComTimeouts::writeTotalMs(int count) const
{
    const int64_t ms = int64_t(m_writeTotalMultiplier) * count + m_writeTotalConstant;
    return ms > 0 ? std::optional(ms) : std::nullopt;
}

void TComBuffer::SetInputSize(int v)
{
    m_inputSize = v;
    m_owner->applyBuffer();
}
void TComBuffer::SetOutputSize(int v)
{
    m_outputSize = v;
    m_owner->applyBuffer();
}

void TCustomComPort::SetPort(const QString &name)
{
    // The open device would no longer match the name.
    if (name != m_port)
        ensureClosedForChange();
    m_port = name;
}

void TCustomComPort::SetBaudRate(TBaudRate v)
{
    m_baudRate = v;
    applyLineSettings();
}
void TCustomComPort::SetCustomBaudRate(int v)
{
    m_customBaudRate = v;
    applyLineSettings();
}
void TCustomComPort::SetDataBits(TDataBits v)
{
    m_dataBits = v;
    applyLineSettings();
}
void TCustomComPort::SetStopBits(TStopBits v)
{
    m_stopBits = v;
    applyLineSettings();
}
void TCustomComPort::SetDiscardNull(bool v)
{
    m_discardNull = v;
    applyLineSettings();
}
void TCustomComPort::SetEventChar(char v)
{
    m_eventChar = v;
    applyLineSettings();
}

void TCustomComPort::ensureClosedForChange() const
{
    if (m_connected)
        throw EComPort(CError_ConnChangeProp, 0, m_port);
}

int baudRateValue(TBaudRate rate, int customRate)
{
    static constexpr std::array<int, 16> rates = {0,     110,    300,    600,   1200,  2400,
                                                  4800,  9600,   14400,  19200, 38400, 56000,
                                                  57600, 115200, 128000, 256000};
    const int index = static_cast<int>(rate); // an enum holds any value of its range
    if (rate == brCustom || index < 0 || index >= int(rates.size()))
        return customRate;
    return rates[index];
}
