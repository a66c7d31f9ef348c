#pragma once

// A calibration of one value column against reference samples: the ordinary least-squares
// line of the reference method's value (y) on the instrument's value (x), with the number of
// samples, Pearson's r and the residual standard deviation (n - 2 in the denominator). It
// is refused, with the reason, for fewer than three samples, for a value that is no finite
// number, and when all instrument values or all reference values are equal (no line, or no
// r, to speak of). A corrected value is slope * x + intercept; the instrument's value is
// always kept beside it.

#include <limits>
#include <span>

#include <QLocale>
#include <QString>

struct CorrectedValue
{
    double raw = std::numeric_limits<double>::quiet_NaN();       // as the instrument gave it
    double corrected = std::numeric_limits<double>::quiet_NaN(); // NaN: no correction
};

class Calibration
{
public:
    enum class Refusal { None, TooFew, NotPaired, NotNumber, SameInstrument, SameReference };

    // x[i] is sample i as the instrument measured it, y[i] as the reference method did.
    static Calibration fit(std::span<const double> x, std::span<const double> y);

    bool isValid() const { return m_refusal == Refusal::None; }
    Refusal refusal() const { return m_refusal; }
    QString refusalText() const; // empty for a valid calibration

    double slope() const { return m_slope; }
    double intercept() const { return m_intercept; }
    int count() const { return m_count; }
    double r() const { return m_r; }
    double residualSd() const { return m_residualSd; }

    // The instrument's value and the corrected one; no correction for a value that is no
    // finite number or when the calibration is not valid.
    CorrectedValue correct(double raw) const;
    // The corrected value as the table shows values (FormatValue); empty without one.
    QString correctedText(double raw, const QLocale &locale = QLocale::system()) const;

private:
    Refusal m_refusal = Refusal::TooFew;
    double m_slope = std::numeric_limits<double>::quiet_NaN();
    double m_intercept = std::numeric_limits<double>::quiet_NaN();
    int m_count = 0;
    double m_r = std::numeric_limits<double>::quiet_NaN();
    double m_residualSd = std::numeric_limits<double>::quiet_NaN();
};
