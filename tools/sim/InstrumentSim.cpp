#include "sim/InstrumentSim.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "pollers/RequestCode.h"
#include "sim/InstrumentFrames.h"

namespace {

int64_t NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void CloseFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::string ReadLink(const std::string &path)
{
    char buf[4096];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

// Words for values the instrument cannot carry are pinned to its largest magnitude.
uint32_t EncodeClamped(double v)
{
    try {
        return EncodeFp(v);
    } catch (const std::out_of_range &) {
        return v < 0 ? 0x7EFFFFFFu : 0x7E7FFFFFu;
    }
}

bool FitsRequest(std::size_t at, uint8_t b)
{
    if (at == 0)
        return (b & 0xF0) == 0x90;
    if (at < 4)
        return (b & 0xF0) == 0xA0;
    return IsRequestCode(b);
}

} // namespace

InstrumentSim::InstrumentSim(Family family, uint16_t address)
    : m_family(family)
    , m_address(address)
    , m_status(family == Family::Mirel ? 0x0800 : 0)
{
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

InstrumentSim::~InstrumentSim()
{
    stop();
    CloseFd(m_stopFd);
}

bool InstrumentSim::start(const std::string &linkPath)
{
    stop();
    {
        std::lock_guard lock(m_mutex);
        m_linkPath = linkPath;
        m_error.clear();
    }
    return openLine() && startThread();
}

void InstrumentSim::stop()
{
    stopThread();
    closeLine();
}

bool InstrumentSim::reopen()
{
    stop();
    return openLine() && startThread();
}

bool InstrumentSim::openLine()
{
    if (m_stopFd < 0) {
        setError("eventfd");
        return false;
    }
    m_masterFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_masterFd < 0) {
        setError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (::grantpt(m_masterFd) != 0 || ::unlockpt(m_masterFd) != 0
        || ::ptsname_r(m_masterFd, name, sizeof name) != 0) {
        setError("pty set-up");
        closeLine();
        return false;
    }
    ::fcntl(m_masterFd, F_SETFL, ::fcntl(m_masterFd, F_GETFL) | O_NONBLOCK);

    // While no client has the slave open the master would read EIO and poll HUP; one slave
    // descriptor of our own keeps the line up. It is never read, so clients get every byte.
    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (m_slaveFd < 0 || ::tcgetattr(m_slaveFd, &tio) != 0) {
        setError(std::string("open ") + name);
        closeLine();
        return false;
    }
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slaveFd, TCSANOW, &tio);

    // A client's TIOCEXCL would outlive its close while the master lives (the pty's tty stays),
    // and lock that client out of its next open; a real port forgets it on the last close.
    // Watching the node for closes lets us clear it the same way.
    m_watchFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watchFd >= 0
        && ::inotify_add_watch(m_watchFd, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0)
        CloseFd(m_watchFd);

    std::string link;
    {
        std::lock_guard lock(m_mutex);
        m_slaveName = name;
        link = m_linkPath;
    }
    if (!link.empty()) {
        struct stat st
        {};
        if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            errno = EEXIST;
            setError(link + " exists and is not a link");
            closeLine();
            return false;
        }
        // A new link is renamed over the old one, so the path never dangles half-made.
        static std::atomic<int> counter{0};
        const std::string tmp = link + ".new" + std::to_string(::getpid()) + "-"
                                + std::to_string(counter++);
        ::unlink(tmp.c_str());
        if (::symlink(name, tmp.c_str()) != 0 || ::rename(tmp.c_str(), link.c_str()) != 0) {
            setError("link " + link);
            ::unlink(tmp.c_str());
            closeLine();
            return false;
        }
    }
    return true;
}

void InstrumentSim::closeLine()
{
    std::string link;
    std::string slave;
    {
        std::lock_guard lock(m_mutex);
        link = m_linkPath;
        slave = m_slaveName;
        m_slaveName.clear();
    }
    // The master first: clients see the hang-up at once, as with a pulled adapter.
    CloseFd(m_masterFd);
    CloseFd(m_slaveFd);
    CloseFd(m_watchFd);
    if (!link.empty() && !slave.empty() && ReadLink(link) == slave)
        ::unlink(link.c_str());
}

bool InstrumentSim::startThread()
{
    {
        std::lock_guard lock(m_mutex);
        m_serving = true;
    }
    m_thread = std::thread([this] { serve(); });
    return true;
}

void InstrumentSim::stopThread()
{
    if (!m_thread.joinable())
        return;
    const uint64_t one = 1;
    if (::write(m_stopFd, &one, sizeof one) < 0 && errno != EAGAIN)
        setError("eventfd write");
    m_thread.join();
    uint64_t drained = 0;
    while (::read(m_stopFd, &drained, sizeof drained) > 0) {
    }
    std::lock_guard lock(m_mutex);
    m_serving = false;
}

void InstrumentSim::serve()
{
    std::vector<uint8_t> pending;
    bool watchMaster = true;
    bool up = true;
    while (up) {
        pollfd fds[3] = {{m_stopFd, POLLIN, 0},
                         {watchMaster ? m_masterFd : -1, POLLIN, 0},
                         {m_watchFd, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            setError("poll");
            break;
        }
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            uint8_t buf[512];
            const ssize_t n = ::read(m_masterFd, buf, sizeof buf);
            if (n > 0) {
                pending.insert(pending.end(), buf, buf + n);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                setError("line read");
                watchMaster = false; // never spin on a dead line; stop() still works
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            setError("line hang-up");
            watchMaster = false;
        }
        // Frames are found anywhere in the stream: a byte that cannot continue the frame
        // begun at the front is dropped, which resynchronises on the next 0x9n byte.
        while (up && !pending.empty()) {
            std::size_t fit = 0;
            while (fit < pending.size() && fit < 5 && FitsRequest(fit, pending[fit]))
                ++fit;
            if (fit < 5 && fit < pending.size()) {
                pending.erase(pending.begin());
                continue;
            }
            if (fit < 5)
                break;
            const std::vector<uint8_t> frame(pending.begin(), pending.begin() + 5);
            pending.erase(pending.begin(), pending.begin() + 5);
            up = handleFrame(frame);
        }
        if (fds[2].revents & POLLIN)
            onSlaveClosed();
    }
    std::lock_guard lock(m_mutex);
    m_serving = false;
    m_changed.notify_all();
}

void InstrumentSim::onSlaveClosed()
{
    char events[4096];
    while (::read(m_watchFd, events, sizeof events) > 0) {
    }
    ::ioctl(m_slaveFd, TIOCNXCL);
}

bool InstrumentSim::handleFrame(const std::vector<uint8_t> &frame)
{
    std::function<void(const std::vector<uint8_t> &)> callback;
    bool ours = false;
    {
        std::lock_guard lock(m_mutex);
        m_frames.push_back(frame);
        callback = m_callback;
        const auto echo = AddressEcho(m_address);
        ours = std::equal(echo.begin(), echo.end(), frame.begin());
    }
    if (callback)
        callback(frame);
    if (!ours) {
        m_changed.notify_all();
        return true;
    }
    bool trickle = false;
    Exchange ex;
    {
        std::lock_guard lock(m_mutex);
        ex = answer(frame);
        trickle = m_trickle;
        m_exchanges.push_back(ex);
    }
    m_changed.notify_all();
    if (ex.fault.kind == Fault::HangUp) {
        closeLine();
        return false;
    }
    if (ex.fault.kind == Fault::Silence)
        return true;
    writeReply(ex.reply, trickle || ex.fault.kind == Fault::Trickle,
               ex.fault.kind == Fault::Delay ? ex.fault.param : 0);
    return true;
}

InstrumentSim::Exchange InstrumentSim::answer(const std::vector<uint8_t> &request)
{
    Exchange ex;
    ex.request = request;
    if (!m_faults.empty()) {
        ex.fault = m_faults.front();
        m_faults.pop_front();
    }
    const uint8_t code = request[4];
    const uint8_t echoBytes[4] = {request[0], request[1], request[2], request[3]};
    const std::span<const uint8_t, 4> echo(echoBytes);

    if (code == RequestCode::Probe || code == RequestCode::Confirm) {
        ex.reply.assign(echo.begin(), echo.end());
    } else {
        const bool tarvo = m_family == Family::Tarvo;
        const bool fetch = code == RequestCode::Fetch;
        const int length = fetch ? (tarvo ? m_tarvoLength : 234) : 76;
        const int count = tarvo ? TarvoValueCount(length) : MirelValueCount(length);
        std::vector<double> values = m_fixed ? m_values
                                             : (tarvo ? m_generator.tarvo() : m_generator.mirel());
        if (fetch)
            values = m_control.next(std::move(values));
        values.resize(std::size_t(count), 0.0);
        std::vector<uint32_t> words;
        for (double v : values) {
            words.push_back(EncodeClamped(v));
            ex.values.push_back(FpWordValue(words.back()));
        }
        const uint16_t status = ex.fault.kind == Fault::BadStatus
                                    ? static_cast<uint16_t>(ex.fault.param)
                                    : m_status;
        ex.resultFrame = fetch;
        ex.groupOrCount = m_group;
        if (fetch)
            ++m_group;
        if (tarvo) {
            ex.reply = BuildTarvoFrame(length, status, ex.groupOrCount, words, echo);
            ex.status = length >= 76 ? status : 0;
        } else {
            ex.reply = BuildMirelFrame(length, m_mask, status, ex.groupOrCount, words, echo);
            ex.status = status;
            ex.mask = m_mask;
        }
    }

    auto &r = ex.reply;
    const int param = ex.fault.param;
    switch (ex.fault.kind) {
    case Fault::Silence:
    case Fault::HangUp:
        r.clear();
        break;
    case Fault::ShortReply:
        r.resize(r.size() - std::min(r.size(), std::size_t(param > 0 ? param : 1)));
        break;
    case Fault::WrongEcho:
        r[r.size() - 4 + std::size_t(std::clamp(param, 0, 3))] ^= 0x01;
        break;
    case Fault::WrongLength: {
        const std::size_t total = std::size_t(std::max(param, 0));
        if (total < 4) {
            r.erase(r.begin(), r.end() - long(total));
        } else {
            r.erase(r.end() - 4, r.end());
            r.resize(total - 4, m_family == Family::Tarvo ? 0xA0 : 0x30);
            r.insert(r.end(), echo.begin(), echo.end());
        }
        break;
    }
    case Fault::Garbage: {
        std::vector<uint8_t> junk(std::size_t(param > 0 ? param : 1));
        for (auto &b : junk)
            b = static_cast<uint8_t>(m_garbage());
        r.insert(r.begin(), junk.begin(), junk.end());
        break;
    }
    default:
        break;
    }
    return ex;
}

bool InstrumentSim::waitStop(int64_t deadlineNs) const
{
    for (;;) {
        const int64_t left = std::max<int64_t>(0, deadlineNs - NowNs());
        const timespec ts{time_t(left / 1000000000), long(left % 1000000000)};
        pollfd fd{m_stopFd, POLLIN, 0};
        const int n = ::ppoll(&fd, 1, &ts, nullptr);
        if (n > 0)
            return true;
        if (n == 0 && NowNs() >= deadlineNs)
            return false;
    }
}

bool InstrumentSim::writeReply(const std::vector<uint8_t> &bytes, bool trickle, int delayMs)
{
    int64_t t0 = NowNs();
    if (delayMs > 0) {
        t0 += int64_t(delayMs) * 1000000;
        if (waitStop(t0))
            return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (trickle && waitStop(t0 + int64_t(done) * ByteTimeUs * 1000))
            return false;
        const std::size_t chunk = trickle ? 1 : bytes.size() - done;
        const ssize_t n = ::write(m_masterFd, bytes.data() + done, chunk);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            // The client is not reading and the pty buffer is full: wait for room or stop.
            pollfd fds[2] = {{m_stopFd, POLLIN, 0}, {m_masterFd, POLLOUT, 0}};
            if (::poll(fds, 2, -1) >= 0 && !fds[0].revents
                && !(fds[1].revents & (POLLERR | POLLHUP)))
                continue;
        }
        setError("line write");
        return false;
    }
    return true;
}

void InstrumentSim::setError(const std::string &what)
{
    const int err = errno;
    std::lock_guard lock(m_mutex);
    m_error = what + ": " + std::strerror(err);
}

bool InstrumentSim::isServing() const
{
    std::lock_guard lock(m_mutex);
    return m_serving;
}

std::string InstrumentSim::slaveName() const
{
    std::lock_guard lock(m_mutex);
    return m_slaveName;
}

std::string InstrumentSim::linkPath() const
{
    std::lock_guard lock(m_mutex);
    return m_linkPath;
}

std::string InstrumentSim::errorString() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

void InstrumentSim::setAddress(uint16_t address)
{
    std::lock_guard lock(m_mutex);
    m_address = address;
}

uint16_t InstrumentSim::address() const
{
    std::lock_guard lock(m_mutex);
    return m_address;
}

bool InstrumentSim::setTarvoLength(int length)
{
    if (length != 38 && length != 54 && length != 106)
        return false;
    std::lock_guard lock(m_mutex);
    m_tarvoLength = length;
    return true;
}

void InstrumentSim::setStatus(uint16_t status)
{
    std::lock_guard lock(m_mutex);
    m_status = status;
}

void InstrumentSim::setGroup(uint8_t group)
{
    std::lock_guard lock(m_mutex);
    m_group = group;
}

void InstrumentSim::setMask(uint32_t mask)
{
    std::lock_guard lock(m_mutex);
    m_mask = mask;
}

void InstrumentSim::setValues(std::vector<double> values)
{
    std::lock_guard lock(m_mutex);
    m_values = std::move(values);
    m_fixed = true;
}

void InstrumentSim::useGenerator(uint32_t rngStart)
{
    std::lock_guard lock(m_mutex);
    m_generator.restart(rngStart);
    m_fixed = false;
}

void InstrumentSim::setOddEvery(int n)
{
    std::lock_guard lock(m_mutex);
    m_generator.setOddEvery(n);
}

void InstrumentSim::setControlMilk(ControlMilk control)
{
    std::lock_guard lock(m_mutex);
    m_control = std::move(control);
}

void InstrumentSim::queueFault(Fault fault)
{
    std::lock_guard lock(m_mutex);
    m_faults.push_back(fault);
}

void InstrumentSim::setTrickle(bool on)
{
    std::lock_guard lock(m_mutex);
    m_trickle = on;
}

void InstrumentSim::setFrameCallback(std::function<void(const std::vector<uint8_t> &)> callback)
{
    std::lock_guard lock(m_mutex);
    m_callback = std::move(callback);
}

std::vector<std::vector<uint8_t>> InstrumentSim::receivedFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_frames;
}

std::vector<InstrumentSim::Exchange> InstrumentSim::exchanges() const
{
    std::lock_guard lock(m_mutex);
    return m_exchanges;
}

bool InstrumentSim::waitForExchanges(std::size_t count, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_exchanges.size() >= count; });
}

bool InstrumentSim::waitForFrames(std::size_t count, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_frames.size() >= count; });
}

void InstrumentSim::clearLogs()
{
    std::lock_guard lock(m_mutex);
    m_frames.clear();
    m_exchanges.clear();
}
