#pragma once

// Timing helpers the benches share.

#include <ctime>

#include <QEventLoop>
#include <QTimer>

// The CPU time this process has used, user and system, in seconds.
inline double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// A real event loop, sleeping between events as the program's does.
inline void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
