#pragma once

#include "pollers/TOpPollerThread.h"

class TOpTarvoThread : public TOpPollerThread
{
public:
    TOpTarvoThread(const QString &port, TOpPoller *owner, TSyncCaller *caller)
        : TOpPollerThread(TPollerFamily::Tarvo(), port, owner, caller)
    {
    }
};
