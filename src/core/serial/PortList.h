#pragma once

#include <QString>
#include <QStringList>

// The serial devices present, as the comma-separated, sorted list the port menu is built
// from: entries of sysfsRoot with a device behind them, by their tty names ("ttyS0",
// "ttyUSB0"). A missing root gives "". On Windows the argument is not used: the names are
// the texts of the values of HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM ("COM1"), and
// a missing key gives "".
QString enumComPorts(const QString &sysfsRoot = QStringLiteral("/sys/class/tty"));

// Port names as one list text: plain text order (ttyS10 before ttyS2), each name once.
// Names holding a comma, which would split on the way back, are left out, as are empty ones.
QString portListText(QStringList names);
