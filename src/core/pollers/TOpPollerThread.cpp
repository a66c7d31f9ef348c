#include "pollers/TOpPollerThread.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "pollers/TOpPoller.h"
#include "pollers/TSyncCaller.h"
#include "serial/TCustomComPort.h"

TOpPollerThread::TOpPollerThread(const TPollerFamily &family, const QString &port,
                                 TOpPoller *owner, TSyncCaller *caller)
    : reply(family.replySize, 0), m_family(family), m_owner(owner), m_caller(caller)
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // Each step is guarded: the first that fails marks the thread, the rest are skipped.
    const std::function<void()> steps[] = {
        [&] { m_port = std::make_unique<TComPort>(); },
        [&] { m_port->SetPort(port); },
        [&] { m_port->SetBaudRate(br9600); },
        [&] { m_port->Parity().SetBits(prOdd); },
        [&] { m_port->SetEvents(0); },
        [&] {
            if (m_family.readTotalMultiplier != 0)
                m_port->Timeouts().SetReadTotalMultiplier(m_family.readTotalMultiplier);
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

bool TOpPollerThread::IdlePause()
{
    // The port is watched too: an adapter pulled while nothing is asked must end polling now,
    // not when the next result is due.
    pollfd p[2] = {{m_wakeFd, POLLIN, 0}, {m_port->Handle(), 0, 0}};
    int r;
    do {
        r = poll(p, 2, IdlePauseMs);
    } while (r < 0 && errno == EINTR);
    return r <= 0 || !(p[1].revents & (POLLHUP | POLLERR | POLLNVAL));
}

bool TOpPollerThread::Exchange(uint8_t code)
{
    const TReplyRule *rule = m_family.Rule(code);
    Request[4] = code;
    m_port->ClearBuffer(true, true);
    const bool longReply = code == 6 || code == 7;
    uint8_t local[4] = {0, 0, 0, 0};
    uint8_t *buffer = local;
    if (longReply) {
        std::fill(reply.begin(), reply.end(), 0);
        buffer = reply.data();
    }
    m_port->Write(Request, sizeof Request);
    const int count = m_port->Read(buffer, rule->asked);
    return m_family.AcceptReply(code, buffer, count, Request, &ResultKind);
}

void TOpPollerThread::Execute()
{
    TOpPoller *owner = m_owner;
    if (!OpenFailed) {
        bool opened = true;
        try {
            m_port->Open();
        } catch (const std::exception &) {
            opened = false;
            m_caller->Call([owner] { owner->FireErrorOpenPort(); });
            Terminate();
        }
        try {
            while (opened && !Terminated()) {
                if (!m_caller->Call([this, owner] { owner->GetNumberStep(*this); }))
                    break;
                bool exchanged = false;
                bool abandoned = false;
                for (uint8_t code : {uint8_t(4), uint8_t(6), uint8_t(7), uint8_t(9)}) {
                    if (step != code || abandoned)
                        continue;
                    exchanged = true;
                    if (Exchange(code))
                        abandoned = !m_caller->Call([this, owner] { owner->PutResultStep(*this); });
                }
                if (abandoned)
                    break;
                if (!exchanged && !IdlePause())
                    break; // the line is gone
            }
        } catch (const std::exception &) {
            // A failed read or write (the adapter was pulled) ends polling like a stop.
        }
        try {
            m_port->Close();
        } catch (const std::exception &) {
        }
    }
    m_caller->Post([owner] { owner->ThreadEnded(); });
}
