#include <QCoreApplication>
#include <QEvent>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <array>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "pollers/TSyncCaller.h"

// The one mechanism by which a poller thread reaches the UI thread.

namespace {

// Runs `action` just as the first queued call reaches `target`, before it runs: the call is
// then queued for certain, and its caller is waiting on it.
class BeforeDelivery : public QObject
{
public:
    BeforeDelivery(QObject *target, std::function<void()> action)
        : m_action(std::move(action))
    {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MetaCall && m_action) {
            const auto action = std::move(m_action);
            m_action = nullptr;
            action();
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

// Worker threads that make calls; they are woken and joined on the way out, whatever
// happened, so a failed check never leaves a thread behind.
class Workers
{
public:
    explicit Workers(TSyncCaller &caller)
        : m_caller(caller)
    {}
    ~Workers()
    {
        m_caller.abandon();
        for (std::thread &t : m_threads)
            t.join();
    }
    // The results of the calls, in the order the workers were started; -1 while pending.
    void call(std::function<void()> fn)
    {
        const std::size_t i = m_threads.size();
        m_results.at(i) = -1;
        m_threads.emplace_back([this, i, fn = std::move(fn)] {
            m_results.at(i) = m_caller.call(fn) ? 1 : 0;
            ++m_finished;
        });
    }
    int finished() const { return m_finished; }
    int result(std::size_t i) const { return m_results.at(i); }

private:
    TSyncCaller &m_caller;
    std::vector<std::thread> m_threads;
    std::array<std::atomic<int>, 8> m_results{};
    std::atomic<int> m_finished{0};
};

} // namespace

class TestSyncCaller : public QObject
{
    Q_OBJECT
private slots:
    void callRunsOnTheContextThreadAndWaits()
    {
        QObject context;
        TSyncCaller caller(&context);
        QThread *ranOn = nullptr;
        int runs = 0;
        std::atomic<int> seenByCaller{-1};
        std::thread worker([&] {
            const bool ok = caller.call([&] {
                ranOn = QThread::currentThread();
                ++runs;
            });
            // The call has run once call() returns: its effects are there to see.
            seenByCaller = ok ? runs : -2;
        });
        QTRY_VERIFY(seenByCaller != -1);
        worker.join();
        QCOMPARE(seenByCaller.load(), 1);
        QCOMPARE(ranOn, QThread::currentThread());
    }

    void postRunsOnTheContextThread()
    {
        QObject context;
        TSyncCaller caller(&context);
        std::atomic<QThread *> ranOn{nullptr};
        std::thread worker([&] { caller.post([&] { ranOn = QThread::currentThread(); }); });
        worker.join(); // post() does not wait for the call
        QTRY_COMPARE(ranOn.load(), QThread::currentThread());
    }

    // The UI thread gives up on the calls (the poller is being destroyed): a caller waiting
    // on one wakes with false, later calls return false at once, and none of them runs.
    void abandonWakesWaitingCallers()
    {
        QObject context;
        TSyncCaller caller(&context);
        BeforeDelivery abandon(&context, [&] { caller.abandon(); });
        std::atomic<int> runs{0};
        Workers workers(caller);
        for (int i = 0; i < 3; ++i)
            workers.call([&] { ++runs; });
        QTRY_COMPARE(workers.finished(), 3);
        for (std::size_t i = 0; i < 3; ++i)
            QCOMPARE(workers.result(i), 0);
        workers.call([&] { ++runs; });
        QTRY_COMPARE(workers.finished(), 4);
        QCOMPARE(workers.result(3), 0);
        QCoreApplication::processEvents();
        QCOMPARE(runs.load(), 0);
    }

    // A new run of the thread starts with reset(): what the old run left queued never runs, its
    // waiting caller gets false, and calls made afterwards run again.
    void callsQueuedBeforeResetNeverRun()
    {
        QObject context;
        TSyncCaller caller(&context);
        std::atomic<int> oldRuns{0};
        caller.post([&] { ++oldRuns; });
        caller.reset();
        QCoreApplication::processEvents();
        QCOMPARE(oldRuns.load(), 0);

        BeforeDelivery reset(&context, [&] { caller.reset(); });
        Workers workers(caller);
        workers.call([&] { ++oldRuns; });
        QTRY_COMPARE(workers.finished(), 1);
        QCOMPARE(workers.result(0), 0);
        QCoreApplication::processEvents();
        QCOMPARE(oldRuns.load(), 0);

        std::atomic<int> newRuns{0};
        workers.call([&] { ++newRuns; });
        QTRY_COMPARE(workers.finished(), 2);
        QCOMPARE(workers.result(1), 1);
        QCOMPARE(newRuns.load(), 1);
    }

    // A handler that throws is reported and goes no further: the caller is released as for
    // a call that ran, and the next calls run as usual.
    void throwingHandlerIsContained_data()
    {
        QTest::addColumn<bool>("standard");
        QTest::newRow("a standard exception") << true;
        QTest::newRow("anything else") << false;
    }
    void throwingHandlerIsContained()
    {
        QFETCH(bool, standard);
        QObject context;
        TSyncCaller caller(&context);
        const auto failing = [standard] {
            if (standard)
                throw std::runtime_error("handler broke");
            throw 42;
        };
        const QRegularExpression warning(QStringLiteral("poller event handler failed"));
        QTest::ignoreMessage(QtWarningMsg, warning);
        QTest::ignoreMessage(QtWarningMsg, warning);
        std::atomic<int> runs{0};
        Workers workers(caller);
        workers.call(failing);
        QTRY_COMPARE(workers.finished(), 1);
        QCOMPARE(workers.result(0), 1);
        caller.post(failing);
        workers.call([&] { ++runs; });
        QTRY_COMPARE(workers.finished(), 2);
        QCOMPARE(workers.result(1), 1);
        QCOMPARE(runs.load(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSyncCaller)
#include "tst_synccaller.moc"
