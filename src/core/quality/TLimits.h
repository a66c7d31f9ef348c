#pragma once

// Limits of the value columns, kept in section "Limits" of a window's settings file: key =
// column number, value "min;max" with either side optional ("7=2.8;6.0", "15=;-0.520").
// A point or a comma is read as the decimal separator; a point is written. A blank value
// ("7=" or "7=;") is no limit. A line that cannot be taken is skipped with a note for the
// status bar; nothing in the section can make the program fail.

#include <cmath>
#include <limits>
#include <optional>

#include <QByteArrayView>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

class TCellNumber;
class TIniPlus;

struct TLimit
{
    double min = std::numeric_limits<double>::quiet_NaN(); // NaN: no lower limit
    double max = std::numeric_limits<double>::quiet_NaN(); // NaN: no upper limit

    bool hasMin() const { return !std::isnan(min); }
    bool hasMax() const { return !std::isnan(max); }
    bool isSet() const { return hasMin() || hasMax(); }
    bool operator==(const TLimit &o) const
    {
        return hasMin() == o.hasMin() && hasMax() == o.hasMax() && (!hasMin() || min == o.min)
               && (!hasMax() || max == o.max);
    }
};

// Two bits, so a row's verdicts pack into one word.
enum class TVerdict : quint8 { NotNumber = 0, Within = 1, Below = 2, Above = 3 };

class TLimits
{
public:
    static const QString Section; // "Limits"

    bool isEmpty() const;
    TLimit limit(int col) const
    {
        return col >= 0 && col < m_byCol.size() ? m_byCol[col] : TLimit{};
    }
    // A limit without either side takes the column's limit away.
    void setLimit(int col, const TLimit &limit);
    QList<int> columns() const; // the columns with a limit, ascending
    int lastColumn() const { return int(m_byCol.size()) - 1; }

    // Within when the column has no limit on that side; a value equal to a limit is within.
    TVerdict judge(int col, double value) const;
    TVerdict classify(int col, QByteArrayView cell, const TCellNumber &reader) const;
    TVerdict classify(int col, QStringView shown, const TCellNumber &reader) const;

    // A row's values judged at once: bit k of *checked is set when value k (shown in column
    // firstCol + k, cells[k]) is a number and its column has a limit, bit k of *outside when it
    // is also outside that limit.
    void judgeRow(const QStringList &cells, int firstCol, const TCellNumber &reader,
                  quint32 *checked, quint32 *outside) const;

    // "выше нормы: 3,88 > 0,00" for a shown value outside its column's limit; empty otherwise.
    QString tip(int col, QStringView shown, const TCellNumber &reader) const;

    // Keys firstCol .. lastCol are the window's value columns; every other key is noted.
    static TLimits read(const TIniPlus &ini, int firstCol, int lastCol,
                        QStringList *notes = nullptr);
    // Writes every limit of columns firstCol .. lastCol and blanks the keys of those columns
    // that no longer have one; keys of other columns stay as they are. Nothing is written
    // when there is nothing to say, so a file without limits stays as it was. False when
    // the file refused a write.
    bool write(TIniPlus &ini, int firstCol, int lastCol) const;

    // "2.8;6.0", ";-0.52", " 2,8 ; 6 "; nullopt with *why set for what cannot be taken.
    enum class ParseError { None, NotPair, NotNumber, MinAboveMax };
    static std::optional<TLimit> parse(QStringView value, ParseError *why = nullptr);
    static QString format(const TLimit &limit); // "2.8;6", ";-0.52", "0;0"
    // A limit shown to the operator: the locale's separator, at least two decimals.
    static QString show(double value, const QLocale &locale);

    bool operator==(const TLimits &o) const;

private:
    QList<TLimit> m_byCol;
};
