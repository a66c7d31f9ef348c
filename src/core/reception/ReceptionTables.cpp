#include "reception/ReceptionTables.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "export/TProtocolHeader.h"
#include "reception/ReceptionShift.h"
#include "results/LocaleFormats.h"
#include "text/ReceptionStrings.h"

namespace {

constexpr int Shown = 2; // decimals of every figure in the reports

QChar separatorOf(const QLocale &locale)
{
    const QString point = locale.decimalPoint();
    return point.size() == 1 ? point.front() : QLatin1Char(',');
}

QString figure(const std::optional<Decimal> &value, QChar separator)
{
    return value ? value->toString(Shown, separator) : QString();
}

QString count(int n)
{
    return n > 0 ? QString::number(n) : QString();
}

// A table of texts worked out beforehand.
TExportTable tableOf(QStringList titles, std::vector<TCellKind> kinds,
                     std::vector<QStringList> rows, std::vector<QStringList> statistics)
{
    TExportTable t;
    t.titles = std::move(titles);
    t.kinds = std::move(kinds);
    t.rowCount = static_cast<int>(rows.size());
    const auto cells = std::make_shared<const std::vector<QStringList>>(std::move(rows));
    t.cell = [cells](int col, int row) { return (*cells)[size_t(row)].value(col); };
    const auto lines = std::make_shared<const std::vector<QStringList>>(std::move(statistics));
    if (!lines->empty())
        t.statistics = [lines] { return *lines; };
    return t;
}

} // namespace

namespace ReceptionTables {

std::pair<QDateTime, QDateTime> bounds(QDate day, DayPart part, int eveningHour)
{
    if (eveningHour < 1 || eveningHour > 23)
        eveningHour = ReceptionShift::DefaultEveningHour;
    const QDateTime start(day, QTime(0, 0));
    const QDateTime evening(day, QTime(eveningHour, 0));
    const QDateTime end(day.addDays(1), QTime(0, 0));
    switch (part) {
    case DayPart::Morning:
        return {start, evening};
    case DayPart::Evening:
        return {evening, end};
    case DayPart::WholeDay:
        break;
    }
    return {start, end};
}

TExportTable dayReport(const DeliveryReport &report, const QString &title, const QLocale &locale)
{
    namespace S = ReceptionStrings;
    const QChar sep = separatorOf(locale);
    const auto lineCells = [sep](const DeliveryReport::Line &l, const QString &first,
                                 const QString &second) {
        return QStringList{first,
                           second,
                           QString::number(l.deliveries),
                           l.kilograms.toString(Shown, sep),
                           figure(l.fat, sep),
                           figure(l.protein, sep),
                           l.credited.toString(Shown, sep),
                           l.amount.toString(Shown, sep),
                           count(l.unpriced)};
    };
    std::vector<QStringList> rows;
    rows.reserve(size_t(report.lines.size()));
    for (const DeliveryReport::Line &l : report.lines)
        rows.push_back(lineCells(l, l.code, l.name));
    std::vector<QStringList> totals;
    if (!rows.empty())
        totals.push_back(lineCells(report.total, S::Total, QString()));
    using K = TCellKind;
    TExportTable t = tableOf({S::ColCode, S::ColSupplier, S::ColDeliveries, S::ColKilograms,
                              S::ColFat, S::ColProtein, S::ColCredited, S::ColAmount,
                              S::ColUnpriced},
                             {K::Text, K::Text, K::Integer, K::Number, K::Number, K::Number,
                              K::Number, K::Number, K::Integer},
                             std::move(rows), std::move(totals));
    t.locale = locale;
    t.name = title;
    t.keyColumns = 2;
    return t;
}

TExportTable statement(const QString &code, const QString &name, const QList<Delivery> &deliveries,
                       QDate from, QDate to, int eveningHour, const QLocale &locale)
{
    namespace S = ReceptionStrings;
    QList<Delivery> own;
    for (const Delivery &d : deliveries) {
        const QDate day = d.at.date();
        if (d.supplierCode == code && day >= from && day <= to)
            own.append(d);
    }
    std::stable_sort(own.begin(), own.end(),
                     [](const Delivery &a, const Delivery &b) { return a.at < b.at; });

    const QChar sep = separatorOf(locale);
    std::vector<QStringList> rows;
    rows.reserve(size_t(own.size()));
    for (const Delivery &d : own) {
        const bool evening = ReceptionShift::of(d.at, eveningHour).part
                             == ReceptionShift::Part::Evening;
        rows.push_back({FormatShortDate(d.at.date(), locale), FormatLongTime(d.at.time(), locale),
                        evening ? S::ShiftEvening : S::ShiftMorning, figure(d.kilograms, sep),
                        figure(d.fat, sep), figure(d.snf, sep), figure(d.protein, sep),
                        figure(d.credited, sep),
                        d.rateVersion > 0 ? QString::number(d.rateVersion) : QString(),
                        figure(d.price, sep),
                        d.amount ? d.amount->toString(Shown, sep) : S::NoPrice});
    }
    std::vector<QStringList> totals;
    if (!own.isEmpty()) {
        const DeliveryReport::Line sum = DeliveryReport::of(own).total;
        totals.push_back({S::Total, QString(), QString(), sum.kilograms.toString(Shown, sep),
                          figure(sum.fat, sep), figure(sum.snf, sep), figure(sum.protein, sep),
                          sum.credited.toString(Shown, sep), QString(), QString(),
                          sum.amount.toString(Shown, sep)});
        if (sum.unpriced > 0)
            totals.push_back({S::UnpricedCount.arg(sum.unpriced)});
    }
    using K = TCellKind;
    TExportTable t = tableOf({S::ColDate, S::ColTime, S::ColShift, S::ColKilograms, S::ColFat,
                              S::ColSnf, S::ColProtein, S::ColCredited, S::ColRateVersion,
                              S::ColPrice, S::ColAmount},
                             {K::Date, K::Time, K::Text, K::Number, K::Number, K::Number, K::Number,
                              K::Number, K::Integer, K::Number, K::Number},
                             std::move(rows), std::move(totals));
    t.locale = locale;
    t.name = S::StatementName.arg(code, name);
    t.keyColumns = 2;
    auto header = std::make_shared<TProtocolHeader>();
    header->locale = locale;
    header->title = S::StatementTitle;
    header->periodFrom = FormatShortDate(from, locale);
    header->periodTo = FormatShortDate(to, locale);
    header->printedAt = QDateTime::currentDateTime();
    header->signers = QStringList{S::SignedBy, S::ReceivedBy};
    t.protocol = header;
    return t;
}

TExportTable withTotalsAsRows(const TExportTable &table)
{
    if (!table.statistics)
        return table;
    TExportTable t = table;
    const auto extra = std::make_shared<const std::vector<QStringList>>(table.statistics());
    const int rows = table.rowCount;
    const auto cell = table.cell;
    t.cell = [cell, extra, rows](int col, int row) {
        return row < rows ? cell(col, row) : (*extra)[size_t(row - rows)].value(col);
    };
    if (table.number) {
        // The totals have their texts only.
        const auto number = table.number;
        t.number = [number, extra, rows](int col, int row) -> std::optional<ShownNumber::Value> {
            if (row < rows)
                return number(col, row);
            static const ShownNumber reader = ShownNumber::written();
            ShownNumber::Value v;
            const QString text = (*extra)[size_t(row - rows)].value(col);
            return reader.read(QStringView(text), &v) ? std::optional(v) : std::nullopt;
        };
    }
    if (table.limitClass) {
        const auto limit = table.limitClass;
        t.limitClass = [limit, rows](int col, int row) {
            return row < rows ? limit(col, row) : TLimitClass::Within;
        };
    }
    t.rowCount = rows + static_cast<int>(extra->size());
    t.statistics = nullptr;
    return t;
}

} // namespace ReceptionTables
