#pragma once

// Why a serial port could not be opened, told to the operator with what to do about it.

#include <QString>

namespace PortProblem {

enum class Reason { NotFound, PermissionDenied, Busy, NotSerial, Other };

Reason classify(int error);

// The informative text of the open-error box: the port, the reason and the remedy, in
// Russian. device is the path that was opened; error the errno of the failed call (on
// Windows its GetLastError() number).
QString describe(const QString &device, int error);

// The programs (name and process id) that hold device open, as /proc tells; empty when none
// can be seen (another user's processes are hidden from an unprivileged one).
QString holders(const QString &device);

} // namespace PortProblem
