#include "pollers/TOpPollerThread.h"

#include <algorithm>
#include <array>

#include "pollers/FrameLog.h"
#include "pollers/TSyncCaller.h"
#include "serial/TCustomComPort.h"

TOpPollerThread::TOpPollerThread(TPollerThreadSetup setup)
    : m_setup(std::move(setup))
    , m_family(*m_setup.family)
    , m_reply(m_family.replySize, 0)
{
    openWake();
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
        [&] { m_port->setCancelFd(m_wakeFd); },
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
    terminate();
    waitFor();
    m_port.reset();
    closeWake();
}

void TOpPollerThread::resume()
{
    m_thread = std::thread([this] { execute(); });
}

void TOpPollerThread::terminate()
{
    if (m_terminated.exchange(true))
        return;
    raiseWake();
}

void TOpPollerThread::waitFor()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void TOpPollerThread::notify(const TLineEvent &event)
{
    if (m_setup.hooks.lineEvent)
        m_setup.caller->post([hook = m_setup.hooks.lineEvent, event] { hook(event); });
}

bool TOpPollerThread::getNumberStep()
{
    // A handler that fails leaves the address and the request as they were.
    TPollOrder order{m_address, m_step};
    if (!m_setup.caller->call([&] { order = m_setup.hooks.getNumber(); }))
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
    if (!m_setup.caller->call([&] { next = m_setup.hooks.putResult(m_resultKind, reply); }))
        return false;
    if (next)
        m_step = *next;
    return true;
}

namespace {

FrameLog::Verdict logVerdict(TReplyVerdict verdict)
{
    switch (verdict) {
    case TReplyVerdict::Accepted:
        return FrameLog::Verdict::Accepted;
    case TReplyVerdict::NoReply:
        return FrameLog::Verdict::NoReply;
    case TReplyVerdict::WrongLength:
        return FrameLog::Verdict::WrongLength;
    case TReplyVerdict::WrongEcho:
        break;
    }
    return FrameLog::Verdict::WrongEcho;
}

} // namespace

TReplyVerdict TOpPollerThread::exchange(const TReplyRule &rule)
{
    const TRequest request = buildRequest(m_address, rule.code);
    m_port->ClearBuffer(true, true);
    std::array<uint8_t, kEchoSize> echoOnly{};
    const std::span<uint8_t> buffer = rule.carriesResult() ? std::span<uint8_t>(m_reply)
                                                           : std::span<uint8_t>(echoOnly);
    std::fill(buffer.begin(), buffer.end(), 0);
    m_port->Write(request.data(), kRequestSize);
    if (m_frameLog)
        m_frameLog->request(request.data(), kRequestSize);
    const int count = m_port->Read(buffer.data(), std::min(rule.asked, int(buffer.size())));
    const std::span<const uint8_t> reply = buffer.first(std::size_t(count));
    if (rule.carriesResult())
        m_replyLength = reply.size();
    const TReplyVerdict verdict = m_family.judgeReply(rule.code, reply, request, m_resultKind);
    if (m_frameLog)
        m_frameLog->reply(reply.data(), count, logVerdict(verdict));
    if (verdict != TReplyVerdict::Accepted)
        notify({TLineEvent::Kind::Dropped, verdict, 0});
    return verdict;
}

TOpPollerThread::End TOpPollerThread::pollUntilStopped()
{
    while (!terminated()) {
        const auto cycleStart = std::chrono::steady_clock::now();
        if (!getNumberStep())
            return End::Abandoned;
        // Each request is tested on the current step, so a put-result handler that moves on
        // to a later request (from the fetch to the confirmation) gets it in the same cycle.
        const uint8_t first = m_step;
        bool exchanged = false;
        for (const TReplyRule &rule : m_family.rules) {
            if (m_step != rule.code)
                continue;
            exchanged = true;
            if (exchange(rule) == TReplyVerdict::Accepted && !putResultStep())
                return End::Abandoned;
        }
        // A cycle that sent nothing, or whose request is still the one it began with (its
        // reply was dropped, or taken but not used), lasts at least the idle pause: garbage on
        // the line or a reply that never decodes must not make the thread ask again at full
        // speed. A read that waited out its time-out has already spent it.
        if ((!exchanged || m_step == first) && !idlePause(cycleStart))
            return End::LineGone;
    }
    return End::Stopped;
}

void TOpPollerThread::closePort() noexcept
{
    try {
        m_port->Close();
    } catch (const std::exception &) {
    }
}

bool TOpPollerThread::openAtStart()
{
    try {
        m_port->Open();
        return true;
    } catch (const EComPort &e) {
        const TPortFailure failure{m_port->DeviceName(), e.WinCode()};
        m_setup.caller->call([&] { m_setup.hooks.errorOpenPort(failure); });
    } catch (const std::exception &) {
        const TPortFailure failure{m_port->DeviceName(), 0};
        m_setup.caller->call([&] { m_setup.hooks.errorOpenPort(failure); });
    }
    terminate();
    return false;
}

bool TOpPollerThread::reopen()
{
    while (sleepUnlessWoken(*m_setup.reconnectPause)) {
        try {
            m_port->Open();
            return true;
        } catch (const EComPort &e) {
            notify({TLineEvent::Kind::Retry, TReplyVerdict::Accepted, e.WinCode()});
        } catch (const std::exception &) {
            notify({TLineEvent::Kind::Retry, TReplyVerdict::Accepted, 0});
        }
    }
    return false;
}

void TOpPollerThread::serveLine()
{
    for (;;) {
        int error = EIO; // the line hung up while nothing was asked
        try {
            if (pollUntilStopped() != End::LineGone)
                return;
        } catch (const EComPort &e) {
            // A failed read, write or purge: the adapter was pulled or the line dropped.
            error = e.WinCode();
        } catch (const std::exception &) {
            return;
        }
        closePort();
        if (!m_setup.reconnectPause || terminated())
            return; // a lost line ends polling like a stop
        notify({TLineEvent::Kind::Lost, TReplyVerdict::Accepted, error});
        if (!reopen())
            return;
        notify({TLineEvent::Kind::Restored, TReplyVerdict::Accepted, 0});
    }
}

void TOpPollerThread::execute()
{
    if (!OpenFailed) {
        if (!m_setup.frameLogPath.isEmpty())
            m_frameLog = std::make_unique<FrameLog>(m_setup.frameLogPath);
        if (openAtStart())
            serveLine();
        closePort();
    }
    m_setup.caller->post(m_setup.hooks.ended);
}
