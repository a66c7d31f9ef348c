#pragma once

#include "pollers/TOpPollerThread.h"

// The first family's thread; its poller hands it the family.
class TOpTarvoThread : public TOpPollerThread
{
public:
    using TOpPollerThread::TOpPollerThread;
};
