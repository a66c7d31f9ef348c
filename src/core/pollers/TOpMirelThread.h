#pragma once

#include "pollers/TOpPollerThread.h"

class TOpMirelThread : public TOpPollerThread
{
public:
    TOpMirelThread(const QString &port, TOpPoller *owner, TSyncCaller *caller)
        : TOpPollerThread(TPollerFamily::Mirel(), port, owner, caller)
    {
    }
};
