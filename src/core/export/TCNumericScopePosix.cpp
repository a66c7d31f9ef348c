#include "export/TCNumericScope.h"

#include <locale.h>

TCNumericScope::TCNumericScope()
{
    // The thread's present locale, LC_GLOBAL_LOCALE when it has none of its own.
    const locale_t previous = uselocale(locale_t(0));
    m_previous = previous;
    const locale_t base = duplocale(previous);
    if (base == locale_t(0))
        return;
    const locale_t own = newlocale(LC_NUMERIC_MASK, "C", base);
    if (own == locale_t(0)) {
        freelocale(base);
        return;
    }
    m_own = own;
    uselocale(own);
}

TCNumericScope::~TCNumericScope()
{
    if (m_own == nullptr)
        return;
    uselocale(static_cast<locale_t>(m_previous));
    freelocale(static_cast<locale_t>(m_own));
}
