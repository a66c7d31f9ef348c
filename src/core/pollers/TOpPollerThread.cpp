#include "pollers/TOpPollerThread.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "pollers/TSyncCaller.h"
#include "serial/TCustomComPort.h"

TOpPollerThread::TOpPollerThread(TPollerThreadSetup setup)
    : m_setup(std::move(setup)), m_family(*m_setup.family), m_reply(m_family.replySize, 0)
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // Each step is guarded: the first that fails marks the thread, the rest are skipped.
    const std::function<void()> steps[] = {
        [&] { m_port = std::make_unique<TComPort>(); },
        [&] { m_port->SetPort(m_setup.port); },
        [&] { m_port->SetBaudRate(br9600); },
        [&] { m_port->Parity().SetBits(prOdd); },
        [&] { m_port->SetEvents(0); },
        [&] {
            if (m_family.readTotalMultiplier)
                m_port->Timeouts().SetReadTotalMultiplier(*m_family.readTotalMultiplier);
        },
        [&] { m_port->Timeouts().SetReadTotalConstant(m_family.readTotalConstant); },
        [&] { m_port->SetCancelFd(m_wakeFd); },
    };
    try {
        for (const auto &s : steps)
            s();
    } catch (const std::exception &) {
        OpenFailed = true;
    }
}

TOpPollerThread::~TOpPollerThread()
{
    Terminate();
    WaitFor();
    m_port.reset();
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void TOpPollerThread::Resume()
{
    m_thread = std::thread([this] { Execute(); });
}

void TOpPollerThread::Terminate()
{
    if (m_terminated.exchange(true))
        return;
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        ssize_t r;
        do {
            r = write(m_wakeFd, &one, sizeof one);
        } while (r < 0 && errno == EINTR);
    }
}

void TOpPollerThread::WaitFor()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

bool TOpPollerThread::idlePause()
{
    // The port is watched too: an adapter pulled while nothing is asked must end polling now,
    // not when the next result is due.
    pollfd p[2] = {{m_wakeFd, POLLIN, 0}, {m_port->Handle(), 0, 0}};
    const auto ms =
        std::clamp<std::chrono::milliseconds::rep>(m_setup.idlePause.count(), 0, 1 << 30);
    int r;
    do {
        r = poll(p, 2, int(ms));
    } while (r < 0 && errno == EINTR);
    return r <= 0 || !(p[1].revents & (POLLHUP | POLLERR | POLLNVAL));
}

bool TOpPollerThread::getNumberStep()
{
    // A handler that fails leaves the address and the request as they were.
    TPollOrder order{m_address, m_step};
    if (!m_setup.caller->Call([&] { order = m_setup.hooks.getNumber(); }))
        return false;
    m_address = order.address;
    m_step = order.code;
    return true;
}

bool TOpPollerThread::putResultStep()
{
    std::optional<uint8_t> next;
    // Only the bytes the instrument sent; the rest of the buffer is zero.
    const auto reply = std::span<const uint8_t>(m_reply).first(m_replyLength);
    if (!m_setup.caller->Call([&] { next = m_setup.hooks.putResult(m_resultKind, reply); }))
        return false;
    if (next)
        m_step = *next;
    return true;
}

bool TOpPollerThread::exchange(const TReplyRule &rule)
{
    const TRequest request = BuildRequest(m_address, rule.code);
    m_port->ClearBuffer(true, true);
    std::array<uint8_t, kEchoSize> echoOnly{};
    const std::span<uint8_t> buffer =
        rule.carriesResult() ? std::span<uint8_t>(m_reply) : std::span<uint8_t>(echoOnly);
    std::fill(buffer.begin(), buffer.end(), 0);
    m_port->Write(request.data(), kRequestSize);
    const int count = m_port->Read(buffer.data(), std::min(rule.asked, int(buffer.size())));
    const std::span<const uint8_t> reply = buffer.first(std::size_t(count));
    if (rule.carriesResult())
        m_replyLength = reply.size();
    return m_family.AcceptReply(rule.code, reply, request, m_resultKind);
}

void TOpPollerThread::pollUntilStopped()
{
    while (!Terminated()) {
        if (!getNumberStep())
            return;
        // Each request is tested on the current step, so a put-result handler that moves on
        // to a later request (from the fetch to the confirmation) gets it in the same cycle.
        bool exchanged = false;
        for (const TReplyRule &rule : m_family.rules) {
            if (m_step != rule.code)
                continue;
            exchanged = true;
            if (exchange(rule) && !putResultStep())
                return;
        }
        if (!exchanged && !idlePause())
            return; // the line is gone
    }
}

void TOpPollerThread::Execute()
{
    if (!OpenFailed) {
        bool opened = true;
        try {
            m_port->Open();
        } catch (const std::exception &) {
            opened = false;
            m_setup.caller->Call(m_setup.hooks.errorOpenPort);
            Terminate();
        }
        try {
            if (opened)
                pollUntilStopped();
        } catch (const std::exception &) {
            // A failed read or write (the adapter was pulled) ends polling like a stop.
        }
        try {
            m_port->Close();
        } catch (const std::exception &) {
        }
    }
    m_setup.caller->Post(m_setup.hooks.ended);
}
