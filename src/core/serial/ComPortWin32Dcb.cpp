#include "serial/ComPortWin32Dcb.h"

namespace {

BYTE byteSize(TDataBits bits)
{
    switch (bits) {
    case dbFive:
        return 5;
    case dbSix:
        return 6;
    case dbSeven:
        return 7;
    case dbEight:
        break;
    }
    return 8;
}

BYTE parityCode(TParityBits bits)
{
    switch (bits) {
    case prNone:
        break;
    case prOdd:
        return ODDPARITY;
    case prEven:
        return EVENPARITY;
    case prMark:
        return MARKPARITY;
    case prSpace:
        return SPACEPARITY;
    }
    return NOPARITY;
}

BYTE stopBitsCode(TStopBits bits)
{
    switch (bits) {
    case sbOneStopBit:
        break;
    case sbOne5StopBits:
        return ONE5STOPBITS;
    case sbTwoStopBits:
        return TWOSTOPBITS;
    }
    return ONESTOPBIT;
}

DWORD dtrControl(TDTRFlowControl c)
{
    switch (c) {
    case dtrDisable:
        break;
    case dtrEnable:
        return DTR_CONTROL_ENABLE;
    case dtrHandshake:
        return DTR_CONTROL_HANDSHAKE;
    }
    return DTR_CONTROL_DISABLE;
}

DWORD rtsControl(TRTSFlowControl c)
{
    switch (c) {
    case rtsDisable:
        break;
    case rtsEnable:
        return RTS_CONTROL_ENABLE;
    case rtsHandshake:
        return RTS_CONTROL_HANDSHAKE;
    case rtsToggle:
        return RTS_CONTROL_TOGGLE;
    }
    return RTS_CONTROL_DISABLE;
}

} // namespace

bool buildDcb(const TCustomComPort &port, DCB &dcb)
{
    if (port.StopBits() == sbOne5StopBits && port.DataBits() != dbFive)
        return false;
    const int baud = baudRateValue(port.BaudRate(), port.CustomBaudRate());
    if (baud <= 0)
        return false;
    const TComParity &parity = port.Parity();
    const TComFlowControl &flow = port.FlowControl();
    dcb.fBinary = TRUE;
    dcb.BaudRate = DWORD(baud);
    dcb.ByteSize = byteSize(port.DataBits());
    dcb.Parity = parityCode(parity.Bits());
    dcb.StopBits = stopBitsCode(port.StopBits());
    dcb.fParity = parity.Check() ? TRUE : FALSE;
    dcb.fErrorChar = parity.Check() && parity.Replace() ? TRUE : FALSE;
    dcb.ErrorChar = parity.ReplaceChar();
    dcb.fNull = port.DiscardNull() ? TRUE : FALSE;
    dcb.fOutxCtsFlow = flow.OutCTSFlow() ? TRUE : FALSE;
    dcb.fOutxDsrFlow = flow.OutDSRFlow() ? TRUE : FALSE;
    dcb.fDsrSensitivity = flow.DSRSensitivity() ? TRUE : FALSE;
    dcb.fTXContinueOnXoff = flow.TxContinueOnXoff() ? TRUE : FALSE;
    dcb.fInX = flow.XonXoffIn() ? TRUE : FALSE;
    dcb.fOutX = flow.XonXoffOut() ? TRUE : FALSE;
    dcb.fDtrControl = dtrControl(flow.ControlDTR());
    dcb.fRtsControl = rtsControl(flow.ControlRTS());
    dcb.fAbortOnError = FALSE;
    const WORD limit = WORD(port.Buffer().InputSize() / 4);
    dcb.XonLim = limit;
    dcb.XoffLim = limit;
    dcb.XonChar = flow.XonChar();
    dcb.XoffChar = flow.XoffChar();
    dcb.EvtChar = port.EventChar();
    return true;
}
