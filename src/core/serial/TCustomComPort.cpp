#include "serial/TCustomComPort.h"

// Setters of the groups: store the value, then re-apply the group if the port is open.

void TComParity::SetBits(TParityBits v)
{
    m_bits = v;
    m_owner->ApplyLineSettings();
}
void TComParity::SetCheck(bool v)
{
    m_check = v;
    m_owner->ApplyLineSettings();
}
void TComParity::SetReplace(bool v)
{
    m_replace = v;
    m_owner->ApplyLineSettings();
}
void TComParity::SetReplaceChar(char v)
{
    m_replaceChar = v;
    m_owner->ApplyLineSettings();
}

void TComFlowControl::SetControlDTR(TDTRFlowControl v)
{
    m_dtr = v;
    m_owner->ApplyLineSettings();
}
void TComFlowControl::SetControlRTS(TRTSFlowControl v)
{
    m_rts = v;
    m_owner->ApplyLineSettings();
}
void TComFlowControl::SetOutCTSFlow(bool v)
{
    m_outCTS = v;
    m_owner->ApplyLineSettings();
}
void TComFlowControl::SetOutDSRFlow(bool v)
{
    m_outDSR = v;
    m_owner->ApplyLineSettings();
}
void TComFlowControl::SetXonXoffIn(bool v)
{
    m_xonXoffIn = v;
    m_owner->ApplyLineSettings();
}
void TComFlowControl::SetXonXoffOut(bool v)
{
    m_xonXoffOut = v;
    m_owner->ApplyLineSettings();
}
void TComFlowControl::SetDSRSensitivity(bool v)
{
    m_dsrSensitivity = v;
    m_owner->ApplyLineSettings();
}
void TComFlowControl::SetTxContinueOnXoff(bool v)
{
    m_txContinueOnXoff = v;
    m_owner->ApplyLineSettings();
}
void TComFlowControl::SetXonChar(char v)
{
    m_xonChar = v;
    m_owner->ApplyLineSettings();
}
void TComFlowControl::SetXoffChar(char v)
{
    m_xoffChar = v;
    m_owner->ApplyLineSettings();
}

void TComTimeouts::SetReadInterval(int v)
{
    m_readInterval = v;
    m_owner->ApplyTimeouts();
}
void TComTimeouts::SetReadTotalMultiplier(int v)
{
    m_readTotalMultiplier = v;
    m_owner->ApplyTimeouts();
}
void TComTimeouts::SetReadTotalConstant(int v)
{
    m_readTotalConstant = v;
    m_owner->ApplyTimeouts();
}
void TComTimeouts::SetWriteTotalMultiplier(int v)
{
    m_writeTotalMultiplier = v;
    m_owner->ApplyTimeouts();
}
void TComTimeouts::SetWriteTotalConstant(int v)
{
    m_writeTotalConstant = v;
    m_owner->ApplyTimeouts();
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
    m_owner->ApplyBuffer();
}
void TComBuffer::SetOutputSize(int v)
{
    m_outputSize = v;
    m_owner->ApplyBuffer();
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
    ApplyLineSettings();
}
void TCustomComPort::SetCustomBaudRate(int v)
{
    m_customBaudRate = v;
    ApplyLineSettings();
}
void TCustomComPort::SetDataBits(TDataBits v)
{
    m_dataBits = v;
    ApplyLineSettings();
}
void TCustomComPort::SetStopBits(TStopBits v)
{
    m_stopBits = v;
    ApplyLineSettings();
}
void TCustomComPort::SetDiscardNull(bool v)
{
    m_discardNull = v;
    ApplyLineSettings();
}
void TCustomComPort::SetEventChar(char v)
{
    m_eventChar = v;
    ApplyLineSettings();
}

void TCustomComPort::ensureClosedForChange() const
{
    if (m_connected)
        throw EComPort(CError_ConnChangeProp, 0, m_port);
}
