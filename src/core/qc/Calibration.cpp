#include "qc/Calibration.h"

#include <algorithm>
#include <cmath>

#include "results/LocaleFormats.h"
#include "text/QcStrings.h"

Calibration Calibration::fit(std::span<const double> x, std::span<const double> y)
{
    Calibration c;
    const auto refuse = [&](Refusal why) {
        c.m_refusal = why;
        return c;
    };
    if (x.size() != y.size())
        return refuse(Refusal::NotPaired);
    const size_t n = x.size();
    if (n < 3)
        return refuse(Refusal::TooFew);
    const auto finite = [](double v) { return std::isfinite(v); };
    if (!std::all_of(x.begin(), x.end(), finite) || !std::all_of(y.begin(), y.end(), finite))
        return refuse(Refusal::NotNumber);
    // Sums about the first sample, then about the means: exact enough for densities of
    // 1028 that differ in the second decimal, and equal values give a spread of exactly
    // zero (the mean of three 0.1 is not 0.1 in binary, their differences from 0.1 are 0).
    double sx = 0;
    double sy = 0;
    for (size_t i = 0; i < n; ++i) {
        sx += x[i] - x[0];
        sy += y[i] - y[0];
    }
    const double mx = sx / double(n);
    const double my = sy / double(n);
    double sxx = 0;
    double syy = 0;
    double sxy = 0;
    for (size_t i = 0; i < n; ++i) {
        const double dx = x[i] - x[0] - mx;
        const double dy = y[i] - y[0] - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    // Differences too small to square are no spread either.
    if (!(sxx > 0))
        return refuse(Refusal::SameInstrument);
    if (!(syy > 0))
        return refuse(Refusal::SameReference);
    c.m_slope = sxy / sxx;
    c.m_intercept = (y[0] + my) - c.m_slope * (x[0] + mx);
    double squares = 0;
    for (size_t i = 0; i < n; ++i) {
        const double e = (y[i] - y[0] - my) - c.m_slope * (x[i] - x[0] - mx);
        squares += e * e;
    }
    c.m_count = int(n);
    c.m_r = std::clamp(sxy / (std::sqrt(sxx) * std::sqrt(syy)), -1.0, 1.0);
    c.m_residualSd = std::sqrt(squares / double(n - 2));
    c.m_refusal = Refusal::None;
    return c;
}

QString Calibration::refusalText() const
{
    switch (m_refusal) {
    case Refusal::None:
        return {};
    case Refusal::TooFew:
        return Str::CalTooFew;
    case Refusal::NotPaired:
        return Str::CalNotPaired;
    case Refusal::NotNumber:
        return Str::CalNotNumber;
    case Refusal::SameInstrument:
        return Str::CalSameX;
    case Refusal::SameReference:
        return Str::CalSameY;
    }
    return {};
}

CorrectedValue Calibration::correct(double raw) const
{
    CorrectedValue v;
    v.raw = raw;
    if (isValid() && std::isfinite(raw))
        v.corrected = m_slope * raw + m_intercept;
    return v;
}

QString Calibration::correctedText(double raw, const QLocale &locale) const
{
    const double v = correct(raw).corrected;
    return std::isfinite(v) ? FormatValue(v, locale) : QString();
}
