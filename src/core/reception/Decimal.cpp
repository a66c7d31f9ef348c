#include "reception/Decimal.h"

#include "results/LocaleFormats.h"

#include <cmath>
#include <limits>

namespace {

using Wide = __int128;
// numeric_limits knows __int128 only in GNU mode.
constexpr Wide WideMax = Wide((static_cast<unsigned __int128>(1) << 127) - 1);

constexpr qint64 pow10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// n ÷ d rounded half away from zero; d > 0.
Wide divideRounded(Wide n, Wide d)
{
    const bool negative = n < 0;
    const Wide a = negative ? -n : n;
    const Wide q = (a + d / 2) / d;
    return negative ? -q : q;
}

// A wide count of millionths back to a decimal rounded to `places`: none when it does not fit.
std::optional<Decimal> narrowed(Wide numerator, Wide denominator, int places)
{
    const Wide step = pow10(Decimal::Places - qBound(0, places, Decimal::Places));
    const Wide q = divideRounded(numerator, denominator * step) * step;
    if (q > std::numeric_limits<qint64>::max() || q < std::numeric_limits<qint64>::min())
        return std::nullopt;
    return Decimal::fromUnits(qint64(q));
}

} // namespace

std::optional<Decimal> Decimal::parse(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QChar(0x2212))) {
        negative = true;
        ++i;
    } else if (i < t.size() && t[i] == QLatin1Char('+')) {
        ++i;
    }
    Wide whole = 0;
    qint64 fraction = 0;
    int fractionDigits = 0;
    int digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128) {
            const int d = c.unicode() - '0';
            ++digits;
            if (point) {
                if (++fractionDigits > Places)
                    return std::nullopt;
                fraction = fraction * 10 + d;
            } else {
                whole = whole * 10 + d;
                if (whole > std::numeric_limits<qint64>::max() / One)
                    return std::nullopt;
            }
        } else if ((c == QLatin1Char(',') || c == QLatin1Char('.')) && !point) {
            point = true;
        } else if ((c == QLatin1Char(' ') || c == QChar(0x00A0) || c == QChar(0x202F)) && !point
                   && digits > 0 && i + 1 < t.size() && t[i + 1].isDigit()) {
            continue; // a thousands gap
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    const qint64 units = qint64(whole) * One + fraction * pow10(Places - fractionDigits);
    return Decimal(negative ? -units : units);
}

std::optional<Decimal> Decimal::fromShown(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return parse(FormatValue(value, QLocale::c()));
}

Decimal Decimal::rounded(int places) const
{
    return narrowed(m_units, 1, places).value_or(*this);
}

Decimal Decimal::mul(Decimal a, Decimal b, int places)
{
    return narrowed(Wide(a.m_units) * b.m_units, One, places).value_or(Decimal());
}

std::optional<Decimal> Decimal::mulDiv(Decimal a, Decimal b, Decimal c, int places)
{
    if (c.m_units == 0)
        return std::nullopt;
    Wide n = Wide(a.m_units) * b.m_units;
    Wide d = c.m_units;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    return narrowed(n, d, places);
}

std::optional<Decimal> Decimal::mulMulDiv(Decimal a, Decimal b, Decimal c, Decimal d, Decimal e,
                                          int places)
{
    if (d.m_units == 0 || e.m_units == 0)
        return std::nullopt;
    // In millionths the result is a·b·c ÷ (d·e) with no scale left over. Masses beyond
    // 10^9 kg would pass 2^127; such a product is refused.
    Wide n = Wide(a.m_units) * b.m_units;
    Wide den = Wide(d.m_units) * e.m_units;
    const Wide cu = c.m_units < 0 ? -Wide(c.m_units) : Wide(c.m_units);
    if ((n < 0 ? -n : n) > WideMax / (cu + 1))
        return std::nullopt;
    n *= c.m_units;
    if (den < 0) {
        n = -n;
        den = -den;
    }
    return narrowed(n, den, places);
}

QString Decimal::toString(int places, QChar separator) const
{
    places = qBound(0, places, Places);
    const qint64 r = rounded(places).m_units;
    const qint64 a = r < 0 ? -r : r;
    QString s = QString::number(a / One);
    if (places > 0) {
        const qint64 frac = (a % One) / pow10(Places - places);
        s += separator + QString::number(frac).rightJustified(places, QLatin1Char('0'));
    }
    return r < 0 ? QLatin1Char('-') + s : s;
}
