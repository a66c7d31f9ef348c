#include "reception/RateTable.h"

#include <QRegularExpression>

#include "text/ReceptionStrings.h"

bool RateBand::holds(Decimal fat, Decimal snf) const
{
    return (!fatFrom || fat >= *fatFrom) && (!fatTo || fat < *fatTo)
           && (!snfFrom || snf >= *snfFrom) && (!snfTo || snf < *snfTo);
}

std::optional<Decimal> RateTable::price(std::optional<Decimal> fat, std::optional<Decimal> snf,
                                        const QString &grade) const
{
    if (kind == Kind::Bands) {
        if (!fat || !snf)
            return std::nullopt;
        for (const RateBand &b : bands)
            if (b.holds(*fat, *snf))
                return b.price;
        return std::nullopt;
    }
    const QString g = grade.trimmed();
    if (g.isEmpty())
        return basePrice;
    const auto it = grades.constFind(g);
    if (it == grades.constEnd())
        return std::nullopt;
    return Decimal::mulDiv(basePrice, Decimal::fromInt(100) + *it, Decimal::fromInt(100),
                           PricePlaces);
}

namespace {

QStringList cellsOf(const QString &line)
{
    QStringList cells = line.split(line.contains(QLatin1Char('\t')) ? QLatin1Char('\t')
                                                                    : QLatin1Char(';'));
    for (QString &c : cells)
        c = c.trimmed().remove(QLatin1Char('"'));
    while (!cells.isEmpty() && cells.last().isEmpty())
        cells.removeLast();
    return cells;
}

bool sameWords(const QString &a, const QString &b)
{
    auto norm = [](QString s) {
        return s.toLower().replace(QChar(0x0451), QChar(0x0435)).simplified(); // ё → е
    };
    return norm(a) == norm(b);
}

// An edge cell: empty is open.
bool edge(const QString &cell, std::optional<Decimal> &out)
{
    if (cell.isEmpty()) {
        out.reset();
        return true;
    }
    out = Decimal::parse(cell);
    return out.has_value();
}

// Two half-open intervals, open where an edge is none, share a value.
bool intersect(std::optional<Decimal> aFrom, std::optional<Decimal> aTo,
               std::optional<Decimal> bFrom, std::optional<Decimal> bTo)
{
    const bool belowA = aTo && bFrom && *bFrom >= *aTo;
    const bool belowB = bTo && aFrom && *aFrom >= *bTo;
    return !belowA && !belowB;
}

bool overlap(const RateBand &a, const RateBand &b)
{
    return intersect(a.fatFrom, a.fatTo, b.fatFrom, b.fatTo)
           && intersect(a.snfFrom, a.snfTo, b.snfFrom, b.snfTo);
}

} // namespace

RateTable::Parsed RateTable::fromCsv(const QString &text)
{
    Parsed p;
    RateTable t;
    auto fail = [&p](int line, const QString &why) {
        p.errorLine = line;
        p.error = why;
        return p;
    };
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    bool headed = false;
    QList<int> bandLines;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList c = cellsOf(line);
        const int n = i + 1;
        if (!headed) {
            headed = true;
            if (c.size() >= 5 && sameWords(c[0], ReceptionStrings::CsvFatFrom)) {
                t.kind = Kind::Bands;
                continue;
            }
            if (c.size() >= 2 && sameWords(c[0], ReceptionStrings::CsvBasePrice)) {
                t.kind = Kind::BasePrice;
                const auto price = Decimal::parse(c[1]);
                if (!price || *price < Decimal())
                    return fail(n, ReceptionStrings::CsvBadNumber.arg(c[1]));
                t.basePrice = *price;
                continue;
            }
            return fail(n, ReceptionStrings::CsvNoHeader);
        }
        if (t.kind == Kind::Bands) {
            if (c.size() < 5)
                return fail(n, ReceptionStrings::CsvBandCells);
            RateBand b;
            if (!edge(c[0], b.fatFrom) || !edge(c[1], b.fatTo) || !edge(c[2], b.snfFrom)
                || !edge(c[3], b.snfTo))
                return fail(n, ReceptionStrings::CsvBadEdge);
            const auto price = Decimal::parse(c[4]);
            if (!price || *price < Decimal())
                return fail(n, ReceptionStrings::CsvBadNumber.arg(c[4]));
            if ((b.fatFrom && b.fatTo && *b.fatFrom >= *b.fatTo)
                || (b.snfFrom && b.snfTo && *b.snfFrom >= *b.snfTo))
                return fail(n, ReceptionStrings::CsvEmptyBand);
            b.price = *price;
            for (int k = 0; k < t.bands.size(); ++k)
                if (overlap(t.bands[k], b))
                    return fail(n, ReceptionStrings::CsvOverlap.arg(bandLines[k]));
            t.bands.append(b);
            bandLines.append(n);
        } else {
            if (c.size() < 2 || c[0].isEmpty())
                return fail(n, ReceptionStrings::CsvGradeCells);
            const auto percent = Decimal::parse(c[1]);
            if (!percent || *percent <= Decimal::fromInt(-100))
                return fail(n, ReceptionStrings::CsvBadNumber.arg(c[1]));
            if (t.grades.contains(c[0]))
                return fail(n, ReceptionStrings::CsvGradeTwice.arg(c[0]));
            t.grades.insert(c[0], *percent);
        }
    }
    if (!headed)
        return fail(0, ReceptionStrings::CsvNoHeader);
    if (t.kind == Kind::Bands && t.bands.isEmpty())
        return fail(0, ReceptionStrings::CsvNoBands);
    p.table = t;
    return p;
}
