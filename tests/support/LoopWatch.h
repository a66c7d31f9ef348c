#pragma once

// The longest gap between turns of this thread's event loop: a timer due every millisecond
// notes how late each turn came. What a window's user feels as a stall.

#include <algorithm>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class LoopWatch : public QObject
{
public:
    LoopWatch()
    {
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_clock.isValid()) {
                const qint64 gap = m_clock.nsecsElapsed();
                m_longestNs = std::max(m_longestNs, gap);
                m_over5 += gap > 5000000 ? 1 : 0;
            }
            m_clock.start();
        });
        m_timer.start();
    }
    double longestMs() const { return m_longestNs / 1e6; }
    int over5ms() const { return m_over5; } // gaps longer than 5 ms

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longestNs = 0;
    int m_over5 = 0;
};
