#include "export/TCNumericScope.h"

#include <clocale>
#include <string>

#include <locale.h>

namespace {

// What the thread had: whether its locale was its own, and its numeric category.
struct Previous
{
    int mode = 0;
    std::string numeric;
};

} // namespace

TCNumericScope::TCNumericScope()
{
    const int mode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    const char *numeric = mode == -1 ? nullptr : std::setlocale(LC_NUMERIC, nullptr);
    if (!numeric) {
        if (mode != -1)
            _configthreadlocale(mode);
        return;
    }
    auto *previous = new Previous{mode, numeric};
    if (!std::setlocale(LC_NUMERIC, "C")) {
        _configthreadlocale(mode);
        delete previous;
        return;
    }
    m_previous = previous;
    m_own = previous; // nothing to free beside it: the C library keeps the thread's locale
}

TCNumericScope::~TCNumericScope()
{
    if (m_own == nullptr)
        return;
    auto *previous = static_cast<Previous *>(m_previous);
    std::setlocale(LC_NUMERIC, previous->numeric.c_str());
    _configthreadlocale(previous->mode);
    delete previous;
}
