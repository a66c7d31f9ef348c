#include "table/ShownNumber.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "text/Cp1251.h"

namespace {

// No value the program writes is longer; a longer text is no measured value.
constexpr qsizetype MaxWritten = 63;
constexpr qsizetype MaxTyped = 64;
// A text that long is no number even with blanks around it: it is not encoded to be looked at.
constexpr qsizetype MaxTypedText = MaxTyped + 8;

constexpr int MaxExactDigits = 15;
constexpr double PowersOfTen[MaxExactDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

const char *digitsEnd(const char *p, const char *e)
{
    while (p < e && isDigit(*p))
        ++p;
    return p;
}

} // namespace

ShownNumber::ShownNumber(bool typed, const QByteArray &point)
    : m_typed(typed)
    , m_point(point.size() > 1 ? point : QByteArray())
    , m_pointChar(point.size() == 1 ? point[0] : '.')
{}

ShownNumber ShownNumber::written()
{
    return ShownNumber(false, QByteArrayLiteral(","));
}

ShownNumber ShownNumber::typed(const QLocale &locale)
{
    bool ok = false;
    const QByteArray point = Cp1251::encode(locale.decimalPoint(), &ok);
    return ShownNumber(true, ok ? point : QByteArray());
}

qsizetype ShownNumber::pointAt(const char *p, const char *e) const
{
    if (p == e)
        return 0;
    if (*p == '.' || *p == m_pointChar)
        return 1;
    const qsizetype n = m_point.size();
    return n > 1 && e - p >= n && memcmp(p, m_point.constData(), n) == 0 ? n : 0;
}

bool ShownNumber::scan(const char *&p, const char *e, Value *out) const
{
    return m_typed ? scanAs<true>(p, e, out) : scanAs<false>(p, e, out);
}

template <bool Typed>
bool ShownNumber::scanAs(const char *&p, const char *e, Value *out) const
{
    // The common case, digits with a separator as a table holds them, is read in this one
    // pass; anything longer or with an exponent goes to from_chars.
    const char *q = p;
    if (Typed) {
        while (q < e && *q == ' ')
            ++q;
    }
    const char *const start = q;
    const bool negative = q < e && *q == '-';
    if (negative || (Typed && q < e && *q == '+'))
        ++q;
    const char *const whole = q;
    quint64 mantissa = 0;
    for (; q < e && isDigit(*q); ++q)
        mantissa = mantissa * 10 + quint64(*q - '0');
    const qsizetype wholeDigits = q - whole;
    const qsizetype point = pointAt(q, e);
    q += point;
    const char *const fraction = q;
    for (; q < e && isDigit(*q); ++q)
        mantissa = mantissa * 10 + quint64(*q - '0');
    const qsizetype fractionDigits = q - fraction;
    const qsizetype digits = wholeDigits + fractionDigits;
    // As written: digits before the separator, and after it unless an exponent follows.
    const bool writtenForm = wholeDigits > 0 && (point == 0 || fractionDigits > 0);
    if ((q == e || *q == '\t') && digits > 0 && digits <= MaxExactDigits && (Typed || writtenForm)) {
        // The cell ends with its digits, as a table holds them. Both the digits and the power
        // of ten are exact doubles, so one division rounds correctly, as from_chars would.
        p = q;
        const double magnitude = double(mantissa) / PowersOfTen[fractionDigits];
        out->value = negative && mantissa != 0 ? -magnitude : magnitude;
        out->decimals = int(fractionDigits);
        out->scientific = false;
        return true;
    }
    const char *const exponent = q;
    qsizetype exponentDigits = -1; // -1: no exponent
    if (q < e && (*q == 'E' || (Typed && *q == 'e'))) {
        ++q;
        if (q < e && (*q == '-' || (Typed && *q == '+')))
            ++q;
        const char *const first = q;
        q = digitsEnd(q, e);
        exponentDigits = q - first;
    }
    const char *const end = q;
    if (Typed) {
        while (q < e && *q == ' ')
            ++q;
    }
    const bool cellEnds = q == e || *q == '\t';
    if (!cellEnds) {
        const char *tab = static_cast<const char *>(memchr(q, '\t', e - q));
        q = tab ? tab : e;
    }
    p = q;

    if (!cellEnds || digits == 0 || exponentDigits == 0
        || end - start > (Typed ? MaxTyped : MaxWritten))
        return false;
    if (!Typed && wholeDigits == 0)
        return false;
    if (!Typed && !writtenForm && exponentDigits < 0)
        return false;
    double value = 0;
    if (exponentDigits < 0 && digits <= MaxExactDigits) {
        value = double(mantissa) / PowersOfTen[fractionDigits];
        if (negative)
            value = -value;
    } else {
        // Copied in the form from_chars reads: "5," and ",5" go as "5" and "0.5".
        char buffer[MaxTyped + 2];
        qsizetype n = 0;
        if (negative)
            buffer[n++] = '-';
        if (wholeDigits == 0)
            buffer[n++] = '0';
        memcpy(buffer + n, whole, size_t(wholeDigits));
        n += wholeDigits;
        if (fractionDigits > 0) {
            buffer[n++] = '.';
            memcpy(buffer + n, fraction, size_t(fractionDigits));
            n += fractionDigits;
        }
        if (exponentDigits > 0) {
            buffer[n++] = 'e';
            memcpy(buffer + n, exponent + 1, size_t(end - exponent - 1));
            n += end - exponent - 1;
        }
        const auto [ptr, ec] = std::from_chars(buffer, buffer + n, value);
        if (ec != std::errc() || ptr != buffer + n || !std::isfinite(value))
            return false;
    }
    out->value = value == 0 ? 0.0 : value;
    out->decimals = int(fractionDigits);
    out->scientific = exponentDigits > 0;
    return true;
}

bool ShownNumber::read(QByteArrayView cell, Value *out) const
{
    const char *p = cell.data();
    return scan(p, p + cell.size(), out);
}

bool ShownNumber::read(QStringView text, Value *out) const
{
    if (text.size() > (m_typed ? MaxTypedText : MaxWritten))
        return false;
    // A number is ASCII but for a separator beyond it, which only Windows-1251 tells.
    const bool asciiPoint = m_point.isEmpty() && uchar(m_pointChar) < 0x80;
    char buffer[MaxTypedText];
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            if (asciiPoint)
                return false;
            bool ok = false;
            const QByteArray bytes = Cp1251::encode(text, &ok);
            return ok && read(QByteArrayView(bytes), out);
        }
        buffer[i] = char(c);
    }
    return read(QByteArrayView(buffer, text.size()), out);
}
