#include "pollers/TOpPoller.h"

#include <algorithm>

#include "pollers/TSyncCaller.h"

TOpPoller::TOpPoller(const TPollerFamily &family, QObject *owner)
    : QObject(owner), ResultData(family.replySize + 1, 0), m_family(family),
      m_caller(std::make_unique<TSyncCaller>(this))
{
}

TOpPoller::~TOpPoller()
{
    // The thread may be waiting for one of our events: abandon those calls first, so that it
    // can see the stop request and end; none of them reaches the owner any more.
    m_caller->Abandon();
    if (m_thread) {
        m_thread->Terminate();
        m_thread->WaitFor();
        m_thread.reset();
    }
}

std::unique_ptr<TOpPollerThread> TOpPoller::CreateThread(TPollerThreadSetup setup)
{
    return std::make_unique<TOpPollerThread>(std::move(setup));
}

void TOpPoller::Start()
{
    if (m_active)
        return;
    auto launch = [this] {
        m_active = true;
        m_caller->Reset();
        TPollerHooks hooks{
            [this] {
                if (OnErrorOpenPort)
                    OnErrorOpenPort(this);
            },
            [this] { return GetNumberStep(); },
            [this](uint8_t kind, std::span<const uint8_t> reply) {
                return PutResultStep(kind, reply);
            },
            [this] { ThreadEnded(); },
        };
        m_thread = CreateThread({&m_family, Port, m_caller.get(), std::move(hooks), m_idlePause});
        m_thread->Resume();
    };
    try {
        if (OnStarting)
            OnStarting(this);
    } catch (...) {
        launch();
        throw;
    }
    launch();
}

void TOpPoller::Stop()
{
    if (m_active && m_thread)
        m_thread->Terminate();
}

TPollOrder TOpPoller::GetNumberStep()
{
    if (OnGetNumber)
        OnGetNumber(this);
    return {DeviceNumber, Command};
}

std::optional<uint8_t> TOpPoller::PutResultStep(uint8_t kind, std::span<const uint8_t> reply)
{
    ResultData[0] = kind;
    // The buffer past the reply is zero, as the window's decoders always found it.
    const auto end = std::copy(reply.begin(), reply.end(), ResultData.begin() + 1);
    std::fill(end, ResultData.end(), 0);
    ResultLength = reply.size();
    // Without a handler the thread keeps the request it had.
    if (!OnPutResult)
        return std::nullopt;
    OnPutResult(this);
    return Command;
}

void TOpPoller::ThreadEnded()
{
    if (m_thread) {
        m_thread->WaitFor();
        m_thread.reset();
    }
    // Not active afterwards, also when the handler fails.
    struct Clear
    {
        bool &active;
        ~Clear() { active = false; }
    } clear{m_active};
    if (OnStoping)
        OnStoping(this);
}
