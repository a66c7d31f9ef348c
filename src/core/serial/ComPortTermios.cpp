#include "serial/ComPortTermios.h"

#include <utility>

speed_t standardSpeed(int baud)
{
    static constexpr std::pair<int, speed_t> codes[] = {
        {50, B50},         {75, B75},         {110, B110},         {134, B134},
        {150, B150},       {200, B200},       {300, B300},         {600, B600},
        {1200, B1200},     {1800, B1800},     {2400, B2400},       {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},     {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000},
    };
    for (const auto &[value, code] : codes) {
        if (value == baud)
            return code;
    }
    return B0;
}

static tcflag_t charSize(TDataBits bits)
{
    switch (bits) {
    case dbFive:
        return CS5;
    case dbSix:
        return CS6;
    case dbSeven:
        return CS7;
    case dbEight:
        break;
    }
    return CS8;
}

static tcflag_t parityFlags(TParityBits bits)
{
    switch (bits) {
    case prNone:
        break;
    case prOdd:
        return PARENB | PARODD;
    case prEven:
        return PARENB;
    case prMark:
        return PARENB | CMSPAR | PARODD;
    case prSpace:
        return PARENB | CMSPAR;
    }
    return 0;
}

// Raw binary line: no echo, no line editing, no signals, no character mapping either way.
static void makeRaw(termios &t)
{
    cfmakeraw(&t);
    t.c_iflag &= ~(IGNPAR | INPCK | IXON | IXOFF | IXANY);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
    // The line is ours alone: modem lines must not hang it up, the receiver is on.
    t.c_cflag |= CLOCAL | CREAD;
    // Reads never block (the descriptor is non-blocking); VMIN 1 makes read() return 0 only
    // on a hang-up, never for an empty queue.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

static void setFraming(const TCustomComPort &port, termios &t)
{
    t.c_cflag |= charSize(port.DataBits()) | parityFlags(port.Parity().Bits());
    if (port.StopBits() != sbOneStopBit)
        t.c_cflag |= CSTOPB; // two stop bits, or 1.5 with 5 data bits
    // A byte with a parity error is read as 0; the replace character has no termios form.
    if (port.Parity().Check())
        t.c_iflag |= INPCK;
}

static void setFlowControl(const TComFlowControl &flow, termios &t)
{
    // The kernel handshakes RTS/CTS in both directions at once; DSR flow has no termios form.
    if (flow.OutCTSFlow() || flow.ControlRTS() == rtsHandshake)
        t.c_cflag |= CRTSCTS;
    if (flow.XonXoffOut())
        t.c_iflag |= IXON;
    if (flow.XonXoffIn())
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = cc_t(flow.XonChar());
    t.c_cc[VSTOP] = cc_t(flow.XoffChar());
}

static bool setSpeed(int baud, termios &t)
{
    if (baud <= 0)
        return false;
    const speed_t code = standardSpeed(baud);
    const speed_t placeholder = code != B0 ? code : B38400;
    return cfsetispeed(&t, placeholder) == 0 && cfsetospeed(&t, placeholder) == 0;
}

bool buildTermios(const TCustomComPort &port, termios &t)
{
    if (port.StopBits() == sbOne5StopBits && port.DataBits() != dbFive)
        return false;
    makeRaw(t);
    setFraming(port, t);
    setFlowControl(port.FlowControl(), t);
    return setSpeed(baudRateValue(port.BaudRate(), port.CustomBaudRate()), t);
}
