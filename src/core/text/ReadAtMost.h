#pragma once

// Reading a whole file that has a size limit.

#include <QByteArray>
#include <QIODevice>

// The rest of an open device, but never more than limit + 1 bytes: one byte beyond the limit
// is how the caller tells a file that is too large. The buffer grows with what the device
// holds, so a small file costs little memory however high the limit. A read error ends the
// reading; the device's error() tells it.
QByteArray ReadAtMost(QIODevice &device, qint64 limit);
