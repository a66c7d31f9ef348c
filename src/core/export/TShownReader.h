#pragma once

// Reads back the dates and times the grid shows: dates in the locale's short format and times
// in its long format without a zone (values are ShownNumber's). Fast for a year of rows: the
// common all-digit formats are read by hand, the rest through QLocale with a cache.

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <QTime>

class TShownReader
{
public:
    explicit TShownReader(const QLocale &locale);

    bool date(const QString &text, QDate *out);
    bool time(const QString &text, QTime *out);

private:
    // The order of the day, month and year fields when the format holds only those, as
    // digits; empty when it holds names or more.
    struct TFields
    {
        char order[3] = {0, 0, 0};
        int count = 0;
    };
    static TFields digitFields(const QString &format, const QString &letters);
    static int digitGroups(QStringView text, int *groups, int *lengths, int max);

    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    TFields m_dateFields;
    TFields m_timeFields;
    QHash<QString, QDate> m_dates; // texts read through QLocale
    QHash<QString, QTime> m_times;
};
