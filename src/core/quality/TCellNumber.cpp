#include "quality/TCellNumber.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "text/Cp1251.h"

namespace {

// No value the program shows is longer; a longer text is no measured value.
constexpr qsizetype MaxLength = 64;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr int MaxExactDigits = 15;
constexpr double PowersOfTen[MaxExactDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

TCellNumber::TCellNumber(const QLocale &locale)
    : m_locale(locale)
{
    bool ok = false;
    m_point = Cp1251::encode(locale.decimalPoint(), &ok);
    if (!ok || m_point.isEmpty() || m_point == ".")
        m_point.clear();
    m_pointChar = m_point.size() == 1 ? m_point[0] : '.';
}

std::optional<double> TCellNumber::read(QByteArrayView cell) const
{
    // A cell never holds a TAB, so the whole cell is read.
    const char *p = cell.data();
    const double v = scan(p, p + cell.size());
    if (std::isnan(v))
        return std::nullopt;
    return v;
}

double TCellNumber::scan(const char *&p, const char *e) const
{
    // The common case, digits with a separator as a table holds them, is read here in one
    // pass; anything longer or with an exponent goes to from_chars.
    while (p < e && *p == ' ')
        ++p;
    const char *start = p;
    const bool negative = p < e && *p == '-';
    if (p < e && (*p == '-' || *p == '+'))
        ++p;
    quint64 mantissa = 0;
    int digits = 0;
    int fraction = 0;
    while (p < e && isDigit(*p)) {
        mantissa = mantissa * 10 + (*p++ - '0');
        ++digits;
    }
    if (const qsizetype point = pointAt(p, e)) {
        p += point;
        const int before = digits;
        while (p < e && isDigit(*p)) {
            mantissa = mantissa * 10 + (*p++ - '0');
            ++digits;
        }
        fraction = digits - before;
    }
    const char *last = p;
    while (p < e && *p == ' ')
        ++p;
    const bool cellEnds = p == e || *p == '\t';
    if (cellEnds && digits > 0 && digits <= MaxExactDigits) {
        // Both the digits and the power of ten are exact doubles, so one division rounds
        // correctly.
        const double v = double(mantissa) / PowersOfTen[fraction];
        return negative ? -v : v;
    }
    const bool exponent = last < e && (*last == 'e' || *last == 'E');
    const char *tab = static_cast<const char *>(memchr(p, '\t', e - p));
    p = tab ? tab : e;
    if (digits == 0 || !(cellEnds || exponent))
        return NaN;
    const char *end = p;
    while (end > start && end[-1] == ' ')
        --end;
    const std::optional<double> v = end - start <= MaxLength ? readLong(start, end) : std::nullopt;
    return v ? *v : NaN;
}

qsizetype TCellNumber::pointAt(const char *p, const char *e) const
{
    if (p == e)
        return 0;
    if (*p == '.' || *p == m_pointChar)
        return 1;
    const qsizetype n = m_point.size();
    return n > 1 && e - p >= n && memcmp(p, m_point.constData(), n) == 0 ? n : 0;
}

std::optional<double> TCellNumber::readLong(const char *p, const char *e) const
{
    // The text is copied in the form from_chars reads, checked on the way.
    char buffer[MaxLength + 2];
    int n = 0;
    if (*p == '+' || *p == '-') {
        if (*p == '-')
            buffer[n++] = '-';
        ++p;
    }
    int digits = 0;
    while (p < e && isDigit(*p)) {
        buffer[n++] = *p++;
        ++digits;
    }
    if (const qsizetype point = pointAt(p, e)) {
        p += point;
        // "5," and ",5" are read as 5 and 0.5: from_chars is given "5" and "0.5".
        if (digits == 0)
            buffer[n++] = '0';
        buffer[n++] = '.';
        const int before = digits;
        while (p < e && isDigit(*p)) {
            buffer[n++] = *p++;
            ++digits;
        }
        if (digits == before)
            --n;
    }
    if (digits == 0)
        return std::nullopt;
    if (p < e && (*p == 'e' || *p == 'E')) {
        buffer[n++] = 'e';
        ++p;
        if (p < e && (*p == '+' || *p == '-'))
            buffer[n++] = *p++;
        int expDigits = 0;
        while (p < e && isDigit(*p)) {
            buffer[n++] = *p++;
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (p != e)
        return std::nullopt;

    double value = 0;
    const auto [ptr, ec] = std::from_chars(buffer, buffer + n, value);
    if (ec != std::errc() || ptr != buffer + n || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> TCellNumber::read(QStringView text) const
{
    if (text.size() > MaxLength + 8)
        return std::nullopt;
    bool ok = false;
    const QByteArray bytes = Cp1251::encode(text, &ok);
    return ok ? read(QByteArrayView(bytes)) : std::nullopt;
}
