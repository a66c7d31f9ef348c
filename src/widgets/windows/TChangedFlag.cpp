#include "windows/TChangedFlag.h"

TChangedFlag &TChangedFlag::operator=(bool on)
{
    if (on == m_on)
        return *this;
    m_on = on;
    if (m_onTurn)
        m_onTurn();
    return *this;
}
