#include "pollers/TSyncCaller.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QtDebug>

TSyncCaller::TSyncCaller(QObject *context)
    : m_context(context)
    , m_state(std::make_shared<State>())
{}

TSyncCaller::~TSyncCaller()
{
    abandon();
}

namespace {

// Runs fn on the context's thread unless the caller was abandoned first; false when it did
// not run. A handler that throws is reported, never let into the event loop.
bool runUnlessAbandoned(const std::shared_ptr<TSyncCaller::State> &state,
                        const std::function<void()> &fn)
{
    {
        std::lock_guard lock(state->mutex);
        if (state->abandoned)
            return false;
    }
    try {
        fn();
    } catch (const std::exception &e) {
        qWarning("poller event handler failed: %s", e.what());
    } catch (...) {
        // Anything else thrown into the event loop would end the program.
        qWarning("poller event handler failed");
    }
    return true;
}

} // namespace

bool TSyncCaller::call(std::function<void()> fn)
{
    Q_ASSERT(QThread::currentThread() != m_context->thread());
    auto state = m_state;
    auto done = std::make_shared<bool>(false);
    {
        std::lock_guard lock(state->mutex);
        if (state->abandoned)
            return false;
    }
    QMetaObject::invokeMethod(
        m_context,
        [state, done, fn = std::move(fn)] {
            // A call that did not run leaves `done` alone: its caller may not have seen the
            // abandonment yet, and must not take the call for one that ran.
            if (!runUnlessAbandoned(state, fn))
                return;
            std::lock_guard lock(state->mutex);
            *done = true;
            state->cond.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(state->mutex);
    state->cond.wait(lock, [&] { return *done || state->abandoned; });
    return *done;
}

void TSyncCaller::post(std::function<void()> fn)
{
    auto state = m_state;
    {
        // The context's thread takes this lock before it runs fn, so whatever the caller built
        // for fn is handed over by a lock a thread checker can see, not only by Qt's own.
        std::lock_guard lock(state->mutex);
        if (state->abandoned)
            return;
    }
    QMetaObject::invokeMethod(
        m_context, [state, fn = std::move(fn)] { runUnlessAbandoned(state, fn); },
        Qt::QueuedConnection);
}

void TSyncCaller::abandon()
{
    std::lock_guard lock(m_state->mutex);
    m_state->abandoned = true;
    m_state->cond.notify_all();
}

void TSyncCaller::reset()
{
    // A fresh state: calls queued for the abandoned one still see it abandoned.
    abandon();
    m_state = std::make_shared<State>();
}
