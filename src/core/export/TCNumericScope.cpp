#include "export/TCNumericScope.h"

TCNumericScope::TCNumericScope()
{
    // The thread's present locale, LC_GLOBAL_LOCALE when it has none of its own.
    m_previous = uselocale(locale_t(0));
    const locale_t base = duplocale(m_previous);
    if (base == locale_t(0))
        return;
    m_own = newlocale(LC_NUMERIC_MASK, "C", base);
    if (m_own == locale_t(0)) {
        freelocale(base);
        return;
    }
    uselocale(m_own);
}

TCNumericScope::~TCNumericScope()
{
    if (m_own == locale_t(0))
        return;
    uselocale(m_previous);
    freelocale(m_own);
}
