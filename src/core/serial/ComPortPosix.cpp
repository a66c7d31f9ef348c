// The port on a POSIX terminal device.

#include "serial/TCustomComPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QtDebug>

#include "serial/ComPortTermios.h"

struct TCustomComPort::TSavedState
{
    termios tio{};
    bool pseudoTerminal = false;
};

namespace {

using Clock = std::chrono::steady_clock;

// The end of a transfer's total time-out; without a total the transfer waits as long as
// it takes.
struct Deadline
{
    Clock::time_point at;
    bool limited = true;

    explicit Deadline(std::optional<int64_t> totalMs)
        : limited(totalMs.has_value())
    {
        at = Clock::now() + std::chrono::milliseconds(std::max<int64_t>(totalMs.value_or(0), 0));
    }
    // Milliseconds left for poll(), rounded up so a wait never ends early; -1 = no limit.
    int pollTimeout() const
    {
        if (!limited)
            return -1;
        const auto left = at - Clock::now();
        if (left <= Clock::duration::zero())
            return 0;
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        return int(std::min<int64_t>(ms, 1 << 30));
    }
};

enum class Wait { Ready, TimedOut, Cancelled, HungUp, Failed };

// Waits until fd is ready for events, the cancel descriptor is readable or the deadline
// passed. A hang-up wins over everything: it must never pass for a quiet line.
Wait waitFor(int fd, short events, int cancelFd, const Deadline &deadline)
{
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
        const int r = poll(fds, cancelFd >= 0 ? 2 : 1, deadline.pollTimeout());
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return Wait::Failed;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return Wait::HungUp;
        if (fds[0].revents & events)
            return Wait::Ready;
        if (cancelFd >= 0 && fds[1].revents != 0)
            return Wait::Cancelled;
        if (r == 0 && deadline.pollTimeout() == 0)
            return Wait::TimedOut;
    }
}

bool isGoneDevice(int err)
{
    return err == EIO || err == ENXIO || err == ENODEV;
}

// Sets or clears the modem lines; a pseudo-terminal has none, which is no failure.
bool setModemLine(int fd, int line, bool high)
{
    if (ioctl(fd, high ? TIOCMBIS : TIOCMBIC, &line) == 0)
        return true;
    return errno == ENOTTY || errno == EINVAL;
}

// Not retried on EINTR: on Linux the descriptor is gone either way.
void closeFd(int fd)
{
    ::close(fd);
}

// The slave side of a pseudo-terminal (a simulated instrument, a network bridge). Its tty
// lives on while the other side is open, so whatever a killed copy of the program set on it
// stays set for the next one.
bool isPseudoTerminal(int fd)
{
    struct stat st
    {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned m = major(st.st_rdev);
    return (m >= 136 && m <= 143) || m == 3; // Unix98 slaves; the old BSD ones
}

} // namespace

TCustomComPort::TCustomComPort() = default;

TCustomComPort::~TCustomComPort()
{
    try {
        Close();
    } catch (const EComPort &) {
        // Closing a port on its way out: the descriptor is released regardless.
    }
}

QString TCustomComPort::DeviceName() const
{
    return m_port.startsWith(QLatin1Char('/')) ? m_port : QStringLiteral("/dev/") + m_port;
}

void TCustomComPort::Open()
{
    if (m_connected)
        return;
    const QByteArray device = DeviceName().toLocal8Bit();
    const auto refuse = [&](int fd, int err, const char *why) {
        qWarning("Unable to open %s: %s", device.constData(), why ? why : strerror(err));
        if (fd >= 0)
            closeFd(fd);
        return EComPort(CError_OpenFailed, err, m_port);
    };
    const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw refuse(fd, errno, nullptr);
    auto saved = std::make_unique<TSavedState>();
    if (tcgetattr(fd, &saved->tio) != 0)
        throw refuse(fd, errno, "not a terminal");
    saved->pseudoTerminal = isPseudoTerminal(fd);
    // TIOCEXCL keeps out other programs except root; the lock keeps out a second copy of
    // this program (root or not) and a second port object on the same device. A real port
    // forgets TIOCEXCL on its last close, a pseudo-terminal does not: set there by a copy that
    // was killed, it would lock every later start out (only the holder may clear it).
    if (!saved->pseudoTerminal && ioctl(fd, TIOCEXCL) != 0)
        throw refuse(fd, errno, nullptr);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        throw refuse(fd, errno, errno == EWOULDBLOCK ? "in use" : nullptr);
    m_handle = fd;
    m_saved = std::move(saved);
    m_connected = true;
    try {
        applyBuffer();
        applyLineSettings();
        applyTimeouts();
    } catch (const EComPort &) {
        releaseDevice();
        throw;
    }
}

void TCustomComPort::releaseDevice() noexcept
{
    tcsetattr(m_handle, TCSANOW, &m_saved->tio);
    if (!m_saved->pseudoTerminal)
        ioctl(m_handle, TIOCNXCL);
    flock(m_handle, LOCK_UN);
    closeFd(m_handle);
    m_handle = -1;
    m_saved.reset();
    m_connected = false;
}

void TCustomComPort::Close()
{
    if (!m_connected)
        return;
    // A device that is gone has nothing left to purge; the port still closes quietly.
    const int purgeErr = tcflush(m_handle, TCIOFLUSH) != 0 && !isGoneDevice(errno) ? errno : 0;
    releaseDevice();
    if (purgeErr != 0)
        throw EComPort(CError_PurgeFailed, purgeErr, m_port);
}

void TCustomComPort::ClearBuffer(bool input, bool output)
{
    if (!input && !output)
        return;
    if (!m_connected)
        throw EComPort(CError_PurgeFailed, EBADF, m_port);
    const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    if (tcflush(m_handle, queue) != 0)
        throw EComPort(CError_PurgeFailed, errno, m_port);
}

void TCustomComPort::applyBuffer()
{
    // The kernel sizes its own queues; the sizes are only checked, as the driver would.
    if (m_connected && (m_buffer.InputSize() <= 0 || m_buffer.OutputSize() <= 0))
        throw EComPort(CError_SetupComFailed, EINVAL, m_port);
}

void TCustomComPort::applyTimeouts()
{
    // Read and Write count their deadlines themselves; -1 is the "no interval" value.
    const TComTimeouts &t = m_timeouts;
    if (m_connected
        && (t.ReadInterval() < -1 || t.ReadTotalMultiplier() < 0 || t.ReadTotalConstant() < 0
            || t.WriteTotalMultiplier() < 0 || t.WriteTotalConstant() < 0))
        throw EComPort(CError_TimeoutsFailed, EINVAL, m_port);
}

void TCustomComPort::applyLineSettings()
{
    if (!m_connected)
        return;
    termios t = m_saved->tio;
    if (!buildTermios(*this, t))
        throw EComPort(CError_SetStateFailed, EINVAL, m_port);
    // A pseudo-terminal has no parity and drops PARENB without a word; once its line shows
    // the dropped bit, the C library reports every further request for it as EINVAL. So the
    // second open after a copy that never restored the line (killed) would fail, as would a
    // setting changed while open.
    if (m_saved->pseudoTerminal)
        t.c_cflag &= ~PARENB;
    while (tcsetattr(m_handle, TCSANOW, &t) != 0) {
        if (errno != EINTR)
            throw EComPort(CError_SetStateFailed, errno, m_port);
    }
    const int baud = baudRateValue(m_baudRate, m_customBaudRate);
    if (standardSpeed(baud) == B0 && !setCustomSpeed(m_handle, baud))
        throw EComPort(CError_SetStateFailed, errno, m_port);
    // Opening raised DTR and RTS; with their control disabled they stay low.
    const TDTRFlowControl dtr = m_flowControl.ControlDTR();
    const TRTSFlowControl rts = m_flowControl.ControlRTS();
    if (!setModemLine(m_handle, TIOCM_DTR, dtr == dtrEnable || dtr == dtrHandshake)
        || !setModemLine(m_handle, TIOCM_RTS, rts == rtsEnable || rts == rtsHandshake))
        throw EComPort(CError_SetStateFailed, errno, m_port);
}

int TCustomComPort::Write(const void *buffer, int count)
{
    if (!m_connected)
        throw EComPort(CError_WriteFailed, EBADF, m_port);
    const auto *p = static_cast<const char *>(buffer);
    const Deadline deadline(m_timeouts.writeTotalMs(count));
    int done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_handle, p + done, size_t(count - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            throw EComPort(CError_WriteFailed, errno, m_port);
        const Wait w = waitFor(m_handle, POLLOUT, m_cancelFd, deadline);
        if (w == Wait::Ready)
            continue;
        if (w == Wait::Cancelled)
            break;
        const int err = w == Wait::Failed ? errno : w == Wait::TimedOut ? ETIMEDOUT : EIO;
        throw EComPort(CError_WriteFailed, err, m_port);
    }
    return done;
}

int TCustomComPort::Read(void *buffer, int count)
{
    if (!m_connected)
        throw EComPort(CError_ReadFailed, EBADF, m_port);
    auto *p = static_cast<char *>(buffer);
    const Deadline deadline(m_timeouts.readTotalMs(count));
    int got = 0;
    while (got < count) {
        const Wait w = waitFor(m_handle, POLLIN, m_cancelFd, deadline);
        if (w == Wait::Failed)
            throw EComPort(CError_ReadFailed, errno, m_port);
        if (w == Wait::HungUp)
            throw EComPort(CError_ReadFailed, EIO, m_port);
        if (w != Wait::Ready)
            break;
        const ssize_t n = ::read(m_handle, p + got, size_t(count - got));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            throw EComPort(CError_ReadFailed, errno, m_port);
        if (n == 0) // readable, yet nothing: the other end hung up
            throw EComPort(CError_ReadFailed, EIO, m_port);
        char *end = p + got + n;
        if (m_discardNull)
            end = std::remove(p + got, end, '\0');
        got = int(end - p);
    }
    return got;
}
