#include "qc/ColumnCorrections.h"

#include <cmath>

#include "results/LocaleFormats.h"

ColumnCorrections::ColumnCorrections(const std::vector<StoredCalibration> &inForce)
{
    for (const StoredCalibration &c : inForce) {
        if (std::isfinite(c.slope) && std::isfinite(c.intercept))
            m_lines[c.column] = Line{c.slope, c.intercept, c.id};
    }
}

std::optional<AppliedCorrection> ColumnCorrections::apply(int column, double raw,
                                                          const QLocale &locale) const
{
    const auto it = m_lines.find(column);
    if (it == m_lines.end() || !std::isfinite(raw))
        return std::nullopt;
    const std::optional<ShownNumber::Value> shown = shownValue(it->second.slope * raw
                                                               + it->second.intercept);
    // A line that throws a value out of the numbers' range corrects nothing.
    if (!shown)
        return std::nullopt;
    AppliedCorrection out;
    out.raw = raw;
    out.corrected = shown->value;
    out.rawText = FormatValue(raw, locale);
    out.correctedText = FormatValue(shown->value, locale);
    out.calibration = it->second.id;
    return out;
}
