#include "quality/StatsText.h"

#include <cmath>

#include "results/LocaleFormats.h"
#include "text/QualityStrings.h"

namespace StatsText {

QList<TStatLine> lines(bool withLimits)
{
    QList<TStatLine> list = {TStatLine::Count, TStatLine::Mean, TStatLine::Min, TStatLine::Max,
                             TStatLine::Sd};
    if (withLimits)
        list << TStatLine::Outside;
    return list;
}

QString lineName(TStatLine line, bool selection)
{
    switch (line) {
    case TStatLine::Count:
        return selection ? Str::StatCountSelected : Str::StatCountAll;
    case TStatLine::Mean:
        return Str::StatMean;
    case TStatLine::Min:
        return Str::StatMin;
    case TStatLine::Max:
        return Str::StatMax;
    case TStatLine::Sd:
        return Str::StatSd;
    case TStatLine::Outside:
        return Str::StatOutside;
    }
    return {};
}

QString cell(TStatLine line, const TStat &stat, bool hasLimit, const QLocale &locale)
{
    const auto value = [&](double v) { return std::isnan(v) ? QString() : FormatValue(v, locale); };
    switch (line) {
    case TStatLine::Count:
        return QString::number(stat.count);
    case TStatLine::Mean:
        return value(stat.mean);
    case TStatLine::Min:
        return value(stat.min);
    case TStatLine::Max:
        return value(stat.max);
    case TStatLine::Sd:
        return value(stat.sd);
    case TStatLine::Outside:
        return hasLimit ? QString::number(stat.outside) : QString();
    }
    return {};
}

QString tsv(const QList<TColumn> &columns, bool withLimits, bool selection, const QLocale &locale)
{
    QString text;
    for (const TColumn &c : columns)
        text += u'\t' + QString(c.title).replace(u'\t', u' ');
    text += u'\n';
    for (TStatLine line : lines(withLimits)) {
        text += lineName(line, selection);
        for (const TColumn &c : columns)
            text += u'\t' + cell(line, c.stat, c.hasLimit, locale);
        text += u'\n';
    }
    return text;
}

} // namespace StatsText
