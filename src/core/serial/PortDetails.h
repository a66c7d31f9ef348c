#pragma once

// What the system knows of a serial port beyond its name: the adapter's description
// ("FTDI FT232R USB UART") and a stable name (/dev/serial/by-id/...) that survives plugging
// the adapter into another socket. Read through libudev; empty where it knows nothing.

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
