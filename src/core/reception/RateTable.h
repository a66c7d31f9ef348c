#pragma once

// One version of a rate table: what a kilogram of a milk type is paid from a moment on.
// Either a table of fat × SNF bands, each with a price per kilogram as delivered, or a base
// price per credited kilogram with a premium or deduction in percent per grade. A band holds
// the values from its lower edge up to but not including its upper edge; an empty edge is
// open. A new version supersedes the older from its start; versions are never edited.

#include <optional>

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include "reception/Decimal.h"

struct RateBand
{
    std::optional<Decimal> fatFrom, fatTo, snfFrom, snfTo;
    Decimal price;

    bool holds(Decimal fat, Decimal snf) const;
};

struct RateTable
{
    enum class Kind { Bands, BasePrice };
    static constexpr int PricePlaces = 2;

    qint64 id = 0; // the archive's record, 0 until kept
    QDateTime validFrom;
    QString milkType; // empty: every type
    Kind kind = Kind::Bands;
    QList<RateBand> bands;
    Decimal basePrice;             // per credited kilogram
    QMap<QString, Decimal> grades; // grade → premium (+) or deduction (−) in percent
    QString note;

    // The price per kilogram (as delivered for bands, credited for a base price) for a
    // delivery's values and grade; none when no band holds them, a value the table needs is
    // missing, or the grade is not in the table (an empty grade takes the base price).
    std::optional<Decimal> price(std::optional<Decimal> fat, std::optional<Decimal> snf,
                                 const QString &grade) const;
    // Whether the amount is the price times the credited weight (else the mass delivered).
    bool paysCreditedWeight() const { return kind == Kind::BasePrice; }

    struct Parsed;
    // The table's text as a lab keeps it in a spreadsheet, cells separated by ';' (or tabs),
    // decimals with a comma or a point, lines starting with '#' left out. Either a header
    // "Жир от;Жир до;СОМО от;СОМО до;Цена" with a band a line, or a line
    // "Цена за зачётный кг;34,50" followed by lines "<grade>;<percent>".
    static Parsed fromCsv(const QString &text);
};

struct RateTable::Parsed
{
    std::optional<RateTable> table;
    int errorLine = 0; // 1-based; 0 when the text as a whole is wrong
    QString error;
};
