#pragma once

// What the system knows of a serial port beyond its name: the adapter's description
// ("FTDI FT232R USB UART") and a stable name (/dev/serial/by-id/...) that survives plugging
// the adapter into another socket. Read through libudev; on Windows the description is the
// device manager's and there is no stable name (the driver keeps a port's number per
// adapter). Empty where the system knows nothing.

#include <QString>

struct PortDetails
{
    QString description;
    QString stablePath;
};

PortDetails DescribePort(const QString &portName,
                         const QString &byIdDir = QStringLiteral("/dev/serial/by-id"));

// "ttyUSB0 — FTDI FT232R USB UART", or the name alone without a description.
QString PortCaption(const QString &portName, const PortDetails &details);
