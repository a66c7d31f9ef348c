#pragma once

// The "Config" section of a registration window's settings file: read when the window is made,
// written when it closes.

#include <QString>

class TIniPlus;

struct TConfigSettings
{
    QString port;         // "COM": the poller's serial port
    QString fileName;     // "FileName": the results file worked on last
    int deviceNumber = 0; // "DeviceNumber": the instrument's number on the line

    // A key the file does not hold keeps the value held here, which stands as its default.
    void read(const TIniPlus &ini);
    void write(TIniPlus &ini) const;
};
