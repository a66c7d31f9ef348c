#pragma once

// Numbers written in C's way (a decimal point) by this thread while the scope lasts,
// whatever the program's locale: libxlsxwriter prints its numbers and widths with printf,
// which follows LC_NUMERIC, and a decimal comma inside a workbook breaks it for every reader.
// Only this thread's numeric category changes; other threads and categories go on as before.
// The platform files hold the thread's locales: POSIX uselocale(), Windows'
// _configthreadlocale() with setlocale().

class TCNumericScope
{
public:
    TCNumericScope();
    ~TCNumericScope();
    TCNumericScope(const TCNumericScope &) = delete;
    TCNumericScope &operator=(const TCNumericScope &) = delete;

    // False when the C library could not make the locale: numbers then follow LC_NUMERIC.
    bool active() const { return m_own != nullptr; }

private:
    void *m_own = nullptr;      // the locale in force while the scope lasts
    void *m_previous = nullptr; // what the thread had before
};
