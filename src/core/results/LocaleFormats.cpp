#include "results/LocaleFormats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr int Precision = 9;
constexpr int Decimals = 2;
// The value first becomes 18 significant decimal digits, then those are rounded once more to
// what is shown, as the instruments' software has always done it.
constexpr int WorkDigits = 18;

struct TDecimal
{
    std::string digits; // significant digits, no leading zeros; empty means zero
    int exponent = 0;   // value = 0.digits x 10^exponent
};

TDecimal toDecimal(double magnitude)
{
    TDecimal d;
    if (magnitude == 0.0)
        return d;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::scientific, WorkDigits - 1);
    const std::string text(buffer, result.ptr);
    const size_t e = text.find('e');
    for (size_t i = 0; i < e; ++i) {
        if (text[i] != '.')
            d.digits += text[i];
    }
    d.exponent = std::stoi(text.substr(e + 1)) + 1;
    return d;
}

// Keeps the first `keep` digits, rounding half away from zero; keep may be zero or negative.
void RoundTo(TDecimal &d, int keep)
{
    if (keep >= static_cast<int>(d.digits.size()))
        return;
    if (keep < 0) {
        d = {};
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') {
            d.digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.exponent = 0;
}

QString Fixed(const TDecimal &d, const QString &point)
{
    QString integer;
    QString fraction;
    for (int pos = 0; pos < d.exponent; ++pos)
        integer += pos < static_cast<int>(d.digits.size()) ? QChar(d.digits[pos]) : QChar('0');
    if (integer.isEmpty())
        integer = QStringLiteral("0");
    for (int pos = d.exponent; pos < d.exponent + Decimals; ++pos) {
        const bool inside = pos >= 0 && pos < static_cast<int>(d.digits.size());
        fraction += inside ? QChar(d.digits[pos]) : QChar('0');
    }
    return integer + point + fraction;
}

QString Scientific(const TDecimal &d, const QString &point)
{
    QString text(QChar(d.digits[0]));
    if (d.digits.size() > 1)
        text += point + QString::fromLatin1(d.digits.data() + 1, d.digits.size() - 1);
    const int exponent = d.exponent - 1;
    text += QLatin1Char('E');
    if (exponent < 0)
        text += QLatin1Char('-');
    text += QString::number(std::abs(exponent)).rightJustified(2, QLatin1Char('0'));
    return text;
}

} // namespace

QString FormatValue(double v, const QLocale &locale)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    TDecimal d = toDecimal(std::fabs(v));
    RoundTo(d, std::min(Precision, d.exponent + Decimals));
    if (d.digits.empty())
        return Fixed(d, locale.decimalPoint());
    const QString sign = v < 0 ? QStringLiteral("-") : QString();
    if (d.exponent > Precision)
        return sign + Scientific(d, locale.decimalPoint());
    return sign + Fixed(d, locale.decimalPoint());
}

std::optional<ShownNumber::Value> shownValue(double v)
{
    if (!std::isfinite(v))
        return std::nullopt;
    TDecimal d = toDecimal(std::fabs(v));
    RoundTo(d, std::min(Precision, d.exponent + Decimals));
    ShownNumber::Value out;
    out.decimals = Decimals;
    if (d.digits.empty())
        return out;
    out.scientific = d.exponent > Precision;
    if (out.scientific)
        out.decimals = int(d.digits.size()) - 1;
    // value = 0.digits x 10^exponent, made a double as from_chars makes the shown text one.
    char buffer[32];
    char *p = buffer;
    if (v < 0)
        *p++ = '-';
    p = std::copy(d.digits.begin(), d.digits.end(), p);
    *p++ = 'e';
    p = std::to_chars(p, buffer + sizeof buffer, d.exponent - int(d.digits.size())).ptr;
    std::from_chars(buffer, p, out.value);
    return out;
}

QString FormatShortDate(const QDate &d, const QLocale &locale)
{
    return locale.toString(d, QLocale::ShortFormat);
}

QString LongTimeFormatWithoutZone(const QLocale &locale)
{
    // The zone field may stand at either end, alone or in brackets: "HH:mm:ss t",
    // "t HH:mm:ss", "H:mm:ss (t)", "APh:mm:ss [t]". Quoted text is kept as it is.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    const auto chopBlanks = [](QString &text) {
        while (!text.isEmpty() && text.back().isSpace())
            text.chop(1);
    };
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (quoted || c != QLatin1Char('t')) {
            out += c;
            continue;
        }
        qsizetype next = i;
        while (next < format.size() && format[next] == QLatin1Char('t'))
            ++next;
        chopBlanks(out);
        const bool round = out.endsWith(QLatin1Char('(')) && next < format.size()
                           && format[next] == QLatin1Char(')');
        const bool square = out.endsWith(QLatin1Char('[')) && next < format.size()
                            && format[next] == QLatin1Char(']');
        if (round || square) {
            out.chop(1);
            ++next;
            chopBlanks(out);
        }
        while (next < format.size() && format[next].isSpace())
            ++next;
        if (!out.isEmpty() && next < format.size())
            out += QLatin1Char(' ');
        i = next - 1;
    }
    return out;
}

QString FormatLongTime(const QTime &t, const QLocale &locale)
{
    return locale.toString(t, LongTimeFormatWithoutZone(locale));
}
