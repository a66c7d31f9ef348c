#pragma once

// Numbers written in C's way (a decimal point) by this thread while the scope lasts,
// whatever the program's locale: libxlsxwriter prints its numbers and widths with printf,
// which follows LC_NUMERIC, and a decimal comma inside a workbook breaks it for every reader.
// Only this thread's numeric category changes; other threads and categories go on as before.

#include <locale.h>

class TCNumericScope
{
public:
    TCNumericScope();
    ~TCNumericScope();
    TCNumericScope(const TCNumericScope &) = delete;
    TCNumericScope &operator=(const TCNumericScope &) = delete;

    // False when the C library could not make the locale: numbers then follow LC_NUMERIC.
    bool active() const { return m_own != locale_t(0); }

private:
    locale_t m_own = locale_t(0);
    locale_t m_previous = locale_t(0);
};
