#include "serial/EComPort.h"

#include <array>

namespace {

// Texts of the codes 1..23, in code order.
const std::array<const char *, 23> codeTexts = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};

std::string messageFor(int code, const QString &port)
{
    const QString text = QStringLiteral("COM Port Error: ") + EComPort::codeText(code)
                         + QStringLiteral(" on ") + port;
    return text.toStdString();
}

} // namespace

EComPort::EComPort(int code, int winCode, const QString &port)
    : std::runtime_error(messageFor(code, port))
    , m_code(code)
    , m_winCode(winCode)
    , m_port(port)
{}

QString EComPort::codeText(int code)
{
    if (code >= 1 && code <= int(codeTexts.size()))
        return QString::fromLatin1(codeTexts[code - 1]);
    return QStringLiteral("Unknown Error #") + QString::number(code);
}
