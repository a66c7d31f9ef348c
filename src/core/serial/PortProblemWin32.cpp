// Why a COM port could not be opened, from the Windows error number. Windows opens a port for
// one handle at a time and answers a second open with "access denied".

#include "serial/PortProblem.h"

#include <windows.h>

#include "text/PlatformStrings.h"

namespace {

bool isGone(int error)
{
    return error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_BAD_COMMAND
           || error == ERROR_GEN_FAILURE || error == ERROR_DEV_NOT_EXIST;
}

} // namespace

PortProblem::Reason PortProblem::classify(int error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_DEV_NOT_EXIST:
        return Reason::NotFound;
    case ERROR_ACCESS_DENIED:
        return Reason::PermissionDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return Reason::Busy;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_PARAMETER:
        return Reason::NotSerial;
    default:
        return Reason::Other;
    }
}

// Windows does not tell which program holds a device open.
QString PortProblem::holders(const QString &)
{
    return {};
}

QString PortProblem::describe(const QString &device, int error)
{
    switch (classify(error)) {
    case Reason::NotFound:
        return (isGone(error) ? Str::WinPortGone : Str::WinPortNotFound).arg(device);
    case Reason::PermissionDenied:
        return Str::WinPortDenied.arg(device);
    case Reason::Busy:
        return Str::WinPortBusy.arg(device);
    case Reason::NotSerial:
        return Str::WinPortNotSerial.arg(device);
    case Reason::Other:
        break;
    }
    QString text = qt_error_string(error).trimmed();
    while (text.endsWith(u'.'))
        text.chop(1);
    return Str::WinPortOther.arg(device, text).arg(error);
}
