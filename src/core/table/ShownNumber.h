#pragma once

// A number read back from the text a cell shows: the one reader of the statistics and limits
// (over a row's Windows-1251 bytes, a year of rows at a time, so it allocates nothing) and of
// the exports. ASCII digits with an optional minus, one decimal separator and an optional
// exponent: "-0,52", "1027", "1,23456789E10". Never a number: "NAN", "INF", thousands with a
// group separator ("1 027,5"), an empty text. A shown "-0,00" is a plain zero.

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QStringView>

class ShownNumber
{
public:
    struct Value
    {
        double value = 0;
        int decimals = 0;        // digits after the separator, as shown
        bool scientific = false; // "1,23456789E10"
    };

    // As the program writes a value, with "." or "," whatever the locale, and nothing else;
    // at most 63 characters. The exports read values so: anything else goes out as text.
    static ShownNumber written();
    // Also as a hand or another program may have put it: blanks around, a "+", "e" beside "E",
    // an exponent's "+", digits on one side of the separator only ("5," is 5, ",5" is 0.5);
    // the separator "." or the locale's. The statistics and limits read values so.
    static ShownNumber typed(const QLocale &locale);

    // The cell at p, up to the next TAB; p is left on that TAB or at e, number or not.
    bool scan(const char *&p, const char *e, Value *out) const;
    bool read(QByteArrayView cell, Value *out) const;
    bool read(QStringView text, Value *out) const;

private:
    ShownNumber(bool typed, const QByteArray &point);
    template <bool Typed>
    bool scanAs(const char *&p, const char *e, Value *out) const;
    // Length of the decimal separator at p, 0 when there is none.
    qsizetype pointAt(const char *p, const char *e) const;

    bool m_typed = false;
    QByteArray m_point;     // a separator of more than one byte; empty otherwise
    char m_pointChar = '.'; // the separator besides "." when it is one byte
};
