#pragma once

// The window's changed flag: a plain flag to those who set and test it, which tells its
// owner when it turns, so that the caption's unsaved mark follows it wherever it is set.

#include <functional>

class TChangedFlag
{
public:
    TChangedFlag &operator=(bool on);
    operator bool() const { return m_on; }
    void setOnTurn(std::function<void()> onTurn) { m_onTurn = std::move(onTurn); }

private:
    bool m_on = false;
    std::function<void()> m_onTurn;
};
