// The poller thread's wake signal on POSIX: an eventfd, waited for with poll() beside the
// port's descriptor.

#include "pollers/TOpPollerThread.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "serial/TCustomComPort.h"

void TOpPollerThread::openWake()
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

void TOpPollerThread::raiseWake()
{
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        ssize_t r;
        do {
            r = write(m_wakeFd, &one, sizeof one);
        } while (r < 0 && errno == EINTR);
    }
}

void TOpPollerThread::closeWake() noexcept
{
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

bool TOpPollerThread::idlePause(std::chrono::steady_clock::time_point cycleStart)
{
    // The port is watched too, even when nothing is left to wait: an adapter pulled while
    // nothing is asked must be seen now, not when the next result is due.
    pollfd p[2] = {{m_wakeFd, POLLIN, 0}, {m_port->Handle(), 0, 0}};
    const auto spent = std::chrono::steady_clock::now() - cycleStart;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_setup.idlePause - spent);
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 1 << 30);
    int r;
    do {
        r = poll(p, 2, int(ms));
    } while (r < 0 && errno == EINTR);
    return r <= 0 || !(p[1].revents & (POLLHUP | POLLERR | POLLNVAL));
}

bool TOpPollerThread::sleepUnlessWoken(std::chrono::milliseconds pause) const
{
    pollfd p{m_wakeFd, POLLIN, 0};
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(pause.count(), 0, 1 << 30);
    int r;
    do {
        r = poll(&p, 1, int(ms));
    } while (r < 0 && errno == EINTR);
    return r == 0;
}
