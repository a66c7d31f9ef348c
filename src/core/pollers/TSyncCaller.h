#pragma once

// Runs a call on the thread of a QObject (the UI thread) and blocks the calling thread until it
// has run. Used for every event a poller thread raises.
//
// Two traps are designed out:
// - a UI thread that waits for the poller thread (destruction) while that thread waits for a UI
//   call: abandon() wakes every waiting caller, which then gets false, so the UI thread can join;
// - a call that arrives after its target began to die: after abandon(), or once the context
//   object is gone, queued calls never run.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

class TSyncCaller
{
public:
    explicit TSyncCaller(QObject *context);
    ~TSyncCaller();

    // From any thread but the context's: true once fn has run there (also when it threw,
    // which is reported and goes no further), false when abandoned.
    bool call(std::function<void()> fn);
    // Queues fn on the context's thread without waiting; dropped when abandoned.
    void post(std::function<void()> fn);
    // On the context's thread: no call runs from now on, and waiting callers return false.
    void abandon();
    // Makes calls possible again (a new thread run). Calls queued before it never run, and
    // callers still waiting on them get false. Not while another thread starts a call.
    void reset();

    struct State
    {
        std::mutex mutex;
        std::condition_variable cond;
        bool abandoned = false;
    };

private:
    QObject *m_context;
    std::shared_ptr<State> m_state;
};
