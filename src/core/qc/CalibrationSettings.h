#pragma once

// Section "Calibration" of a window's settings file: `Enabled=1` turns calibration against
// reference samples on for the window ("Сервис" → "Калибровка…", corrected values shown);
// `ToFile=1` is the operator's switch that writes corrected values into the results file
// too. Without the section, or with `Enabled=0`, the window is as it always was.

class TIniPlus;

struct CalibrationSettings
{
    static constexpr const char *Section = "Calibration";

    bool enabled = false;
    bool toFile = false;

    static CalibrationSettings read(const TIniPlus &ini);
    // Only the operator's switch: `Enabled` stays as the file has it.
    void write(TIniPlus &ini) const;
};
