#pragma once

// The calibrations in force for a window's value columns, applied to the instrument's values:
// corrected = slope * raw + intercept, rounded as the table shows values (two decimals,
// FormatValue), so the corrected number kept and the text shown are the same number.

#include <map>
#include <optional>
#include <vector>

#include <QLocale>
#include <QString>

#include "archive/CalibrationStore.h"

struct AppliedCorrection
{
    double raw = 0;
    double corrected = 0; // rounded as shown
    QString rawText;      // as the table would show the instrument's value
    QString correctedText;
    qint64 calibration = 0;
};

class ColumnCorrections
{
public:
    ColumnCorrections() = default;
    explicit ColumnCorrections(const std::vector<StoredCalibration> &inForce);

    bool isEmpty() const { return m_lines.empty(); }
    bool has(int column) const { return m_lines.count(column) > 0; }

    // The value of column `column` (0 for the first value) corrected; nothing when no
    // calibration is in force for it or the value is no finite number.
    std::optional<AppliedCorrection> apply(int column, double raw,
                                           const QLocale &locale = QLocale::system()) const;

private:
    struct Line
    {
        double slope = 1;
        double intercept = 0;
        qint64 id = 0;
    };
    std::map<int, Line> m_lines;
};
