#include "pollers/TOpPoller.h"

#include <algorithm>

#include "pollers/TSyncCaller.h"

TOpPoller::TOpPoller(const TPollerFamily &family, QObject *owner)
    : QObject(owner)
    , ResultData(family.replySize + 1, 0)
    , m_family(family)
    , m_caller(std::make_unique<TSyncCaller>(this))
{}

TOpPoller::~TOpPoller()
{
    // The thread may be waiting for one of our events: abandon those calls first, so that it
    // can see the stop request and end; none of them reaches the owner any more.
    m_caller->abandon();
    if (m_thread) {
        m_thread->terminate();
        m_thread->waitFor();
        m_thread.reset();
    }
}

std::unique_ptr<TOpPollerThread> TOpPoller::createThread(TPollerThreadSetup setup)
{
    return std::make_unique<TOpPollerThread>(std::move(setup));
}

void TOpPoller::Start()
{
    if (m_active)
        return;
    auto launch = [this] {
        m_active = true;
        m_caller->reset();
        m_openFailure = {};
        TPollerHooks hooks{
            [this](const TPortFailure &failure) {
                m_openFailure = failure;
                emit openFailed(failure);
                if (OnErrorOpenPort)
                    OnErrorOpenPort(this);
            },
            [this] { return getNumberStep(); },
            [this](uint8_t kind, std::span<const uint8_t> reply) {
                return putResultStep(kind, reply);
            },
            [this] { threadEnded(); },
            [this](const TLineEvent &event) { handleLineEvent(event); },
        };
        m_thread = createThread({&m_family, Port, m_caller.get(), std::move(hooks), m_idlePause,
                                 m_reconnectPause, m_frameLogPath});
        m_thread->resume();
        emit started();
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
        m_thread->terminate();
}

TPollOrder TOpPoller::getNumberStep()
{
    if (OnGetNumber)
        OnGetNumber(this);
    emit numberTaken();
    return {DeviceNumber, Command};
}

std::optional<uint8_t> TOpPoller::putResultStep(uint8_t kind, std::span<const uint8_t> reply)
{
    ResultData[0] = kind;
    // The buffer past the reply is zero, as the window's decoders always found it.
    const auto end = std::copy(reply.begin(), reply.end(), ResultData.begin() + 1);
    std::fill(end, ResultData.end(), 0);
    ResultLength = reply.size();
    emit replyAccepted();
    // Without a handler the thread keeps the request it had.
    if (!OnPutResult)
        return std::nullopt;
    OnPutResult(this);
    return Command;
}

void TOpPoller::threadEnded()
{
    if (m_thread) {
        m_thread->waitFor();
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
    emit stopped();
}

void TOpPoller::handleLineEvent(const TLineEvent &event)
{
    switch (event.kind) {
    case TLineEvent::Kind::Dropped:
        emit replyDropped(event.verdict);
        break;
    case TLineEvent::Kind::Lost:
        emit lineLost(event.error);
        break;
    case TLineEvent::Kind::Retry:
        emit reconnectFailed(event.error);
        break;
    case TLineEvent::Kind::Restored:
        emit lineRestored();
        break;
    }
}
