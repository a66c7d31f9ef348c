#pragma once

// Reads a value the way the grid shows it: ASCII digits with an optional sign, the locale's
// decimal separator or a point, an optional exponent ("1,23456789E10"), blanks around
// allowed. Anything else is no number: a sample label in a value column, "NAN", "INF",
// thousands with a group separator, an empty cell. The reading is ShownNumber's, as typed.

#include <limits>
#include <optional>

#include <QByteArrayView>
#include <QLocale>
#include <QStringView>

#include "table/ShownNumber.h"

class TCellNumber
{
public:
    explicit TCellNumber(const QLocale &locale = QLocale::system());

    // A cell as the row store holds it (Windows-1251 bytes).
    std::optional<double> read(QByteArrayView cell) const;
    std::optional<double> read(QStringView text) const;
    // Reads the cell at p of a row's line, up to the next TAB; p is left on that TAB or at
    // e. NaN when the cell holds no number.
    double scan(const char *&p, const char *e) const
    {
        ShownNumber::Value v;
        return m_number.scan(p, e, &v) ? v.value : std::numeric_limits<double>::quiet_NaN();
    }

    QLocale locale() const { return m_locale; }

private:
    QLocale m_locale;
    ShownNumber m_number;
};
