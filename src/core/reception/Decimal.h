#pragma once

// An exact decimal number for milk reception: masses, prices and money. It holds a whole
// number of millionths, so 3,45 % fat, 1 234,5 kg and 32,50 ₽ are what they are written as,
// never a nearby binary fraction. Products and quotients are worked out on 128 bits and
// rounded once, to the places asked for, half away from zero (0,005 ₽ → 0,01 ₽ and
// −0,005 ₽ → −0,01 ₽), as a statement rounds.

#include <QString>
#include <QtGlobal>

#include <compare>
#include <optional>

class Decimal
{
public:
    static constexpr int Places = 6;
    static constexpr qint64 One = 1'000'000;

    constexpr Decimal() = default;
    static constexpr Decimal fromUnits(qint64 millionths) { return Decimal(millionths); }
    static constexpr Decimal fromInt(qint64 whole) { return Decimal(whole * One); }
    // "3,45", "3.45", "-0,5", " 1 234,5 " (spaces and no-break spaces between digits
    // grouped); at most six places. Anything else, or a number out of range, is none.
    static std::optional<Decimal> parse(const QString &text);
    // A measured value as the table shows it (two decimals, halves away from zero after nine
    // significant digits), so a statement computes with what the operator sees. None for
    // NaN, infinities and values the table writes in scientific form.
    static std::optional<Decimal> fromShown(double value);

    constexpr qint64 units() const { return m_units; }
    constexpr bool isZero() const { return m_units == 0; }
    double toDouble() const { return double(m_units) / double(One); }

    Decimal rounded(int places) const;
    // a × b, rounded to `places`.
    static Decimal mul(Decimal a, Decimal b, int places);
    // a × b ÷ c, one rounding at the end; none when c is zero.
    static std::optional<Decimal> mulDiv(Decimal a, Decimal b, Decimal c, int places);
    // a × b × c ÷ (d × e), one rounding at the end; none when d or e is zero.
    static std::optional<Decimal> mulMulDiv(Decimal a, Decimal b, Decimal c, Decimal d, Decimal e,
                                            int places);

    // Fixed notation with exactly `places` decimals and the given separator: "1234,50".
    QString toString(int places, QChar separator = QLatin1Char(',')) const;

    constexpr Decimal operator+(Decimal o) const { return Decimal(m_units + o.m_units); }
    constexpr Decimal operator-(Decimal o) const { return Decimal(m_units - o.m_units); }
    constexpr Decimal operator-() const { return Decimal(-m_units); }
    Decimal &operator+=(Decimal o)
    {
        m_units += o.m_units;
        return *this;
    }
    constexpr auto operator<=>(const Decimal &) const = default;

private:
    constexpr explicit Decimal(qint64 units)
        : m_units(units)
    {}
    qint64 m_units = 0;
};
