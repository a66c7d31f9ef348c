#pragma once

#include "pollers/TOpPollerThread.h"

// The second family's thread; its poller hands it the family.
class TOpMirelThread : public TOpPollerThread
{
public:
    using TOpPollerThread::TOpPollerThread;
};
