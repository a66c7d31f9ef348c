#include "export/TShownReader.h"

#include "results/LocaleFormats.h"

namespace {

// Beyond this many remembered texts a cache starts afresh; a year has 366 dates.
constexpr int CacheLimit = 20000;

// A two-digit year as the locale's short date writes it belongs to this century or the last.
int FullYear(int year, int digits)
{
    if (digits > 2)
        return year;
    return year < 70 ? 2000 + year : 1900 + year;
}

} // namespace

TShownReader::TShownReader(const QLocale &locale)
    : m_locale(locale)
    , m_dateFormat(locale.dateFormat(QLocale::ShortFormat))
    , m_timeFormat(LongTimeFormatWithoutZone(locale))
    , m_dateFields(digitFields(m_dateFormat, QStringLiteral("dMy")))
    , m_timeFields(digitFields(m_timeFormat, QStringLiteral("Hms")))
{}

TShownReader::TFields TShownReader::digitFields(const QString &format, const QString &letters)
{
    TFields f;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        if (c.isLetter() || c == QLatin1Char('\'')) {
            // Names of days and months, AM/PM, quoted text: left to QLocale.
            if (!letters.contains(c) || run > (c == QLatin1Char('y') ? 4 : 2) || f.count == 3)
                return {};
            f.order[f.count++] = char(c.unicode());
        }
        i += run;
    }
    return f.count >= 2 ? f : TFields{};
}

int TShownReader::digitGroups(QStringView text, int *groups, int *lengths, int max)
{
    int count = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c.isLetter())
            return -1;
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            ++i;
            continue;
        }
        if (count == max)
            return -1;
        int value = 0;
        int length = 0;
        while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            if (++length > 4)
                return -1;
            value = value * 10 + (text[i].unicode() - u'0');
            ++i;
        }
        groups[count] = value;
        lengths[count] = length;
        ++count;
    }
    return count;
}

bool TShownReader::date(const QString &text, QDate *out)
{
    int groups[3];
    int lengths[3];
    if (m_dateFields.count == 3 && digitGroups(text, groups, lengths, 3) == 3) {
        int day = 0;
        int month = 0;
        int year = 0;
        // "2024-05-31" reads the same whatever the locale's order.
        const bool iso = lengths[0] == 4 && text.size() == 10 && text[4] == QLatin1Char('-');
        for (int k = 0; k < 3; ++k) {
            switch (iso ? "yMd"[k] : m_dateFields.order[k]) {
            case 'd':
                day = groups[k];
                break;
            case 'M':
                month = groups[k];
                break;
            default:
                year = FullYear(groups[k], lengths[k]);
                break;
            }
        }
        *out = QDate(year, month, day);
        return out->isValid();
    }
    if (m_dateFields.count == 3 || text.isEmpty())
        return false;
    auto it = m_dates.constFind(text);
    if (it == m_dates.constEnd()) {
        if (m_dates.size() > CacheLimit)
            m_dates.clear();
        QDate d = m_locale.toDate(text, m_dateFormat);
        if (d.isValid() && !m_dateFormat.contains(QLatin1String("yyyy")) && d.year() < 1970)
            d = d.addYears(100);
        it = m_dates.insert(text, d);
    }
    *out = *it;
    return out->isValid();
}

bool TShownReader::time(const QString &text, QTime *out)
{
    int groups[3];
    int lengths[3];
    const int fields = m_timeFields.count;
    if (fields >= 2) {
        if (digitGroups(text, groups, lengths, 3) != fields)
            return false;
        int hms[3] = {0, 0, 0};
        for (int k = 0; k < fields; ++k) {
            if (lengths[k] > 2)
                return false;
            hms[m_timeFields.order[k] == 'H'   ? 0
                : m_timeFields.order[k] == 'm' ? 1
                                               : 2]
                = groups[k];
        }
        *out = QTime(hms[0], hms[1], hms[2]);
        return out->isValid();
    }
    if (text.isEmpty())
        return false;
    auto it = m_times.constFind(text);
    if (it == m_times.constEnd()) {
        if (m_times.size() > CacheLimit)
            m_times.clear();
        it = m_times.insert(text, m_locale.toTime(text, m_timeFormat));
    }
    *out = *it;
    return out->isValid();
}
