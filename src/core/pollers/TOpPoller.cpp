#include "pollers/TOpPoller.h"

#include <algorithm>

#include "pollers/TOpPollerThread.h"
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

std::unique_ptr<TOpPollerThread> TOpPoller::CreateThread()
{
    return std::make_unique<TOpPollerThread>(m_family, Port, this, m_caller.get());
}

void TOpPoller::Start()
{
    if (m_active)
        return;
    auto launch = [this] {
        m_active = true;
        m_caller->Reset();
        m_thread = CreateThread();
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

void TOpPoller::FireErrorOpenPort()
{
    if (OnErrorOpenPort)
        OnErrorOpenPort(this);
}

void TOpPoller::GetNumberStep(TOpPollerThread &thread)
{
    if (OnGetNumber)
        OnGetNumber(this);
    // Four hex digits of the address, least significant first, each in a low nibble.
    thread.Request[0] = 0x90 | (DeviceNumber & 0x0F);
    thread.Request[1] = 0xA0 | ((DeviceNumber >> 4) & 0x0F);
    thread.Request[2] = 0xA0 | ((DeviceNumber >> 8) & 0x0F);
    thread.Request[3] = 0xA0 | ((DeviceNumber >> 12) & 0x0F);
    thread.step = Command;
}

void TOpPoller::PutResultStep(TOpPollerThread &thread)
{
    ResultData[0] = thread.ResultKind;
    std::copy(thread.reply.begin(), thread.reply.end(), ResultData.begin() + 1);
    if (OnPutResult) {
        OnPutResult(this);
        thread.step = Command;
    }
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
