#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <chrono>
#include <memory>
#include <random>

#include "pollers/RequestCode.h"
#include "pollers/TOpMirel.h"
#include "pollers/TOpTarvo.h"
#include "sim/InstrumentSim.h"

using Sim = InstrumentSim;
using Bytes = std::vector<uint8_t>;
using namespace RequestCode;

// A pause no test outlasts: whatever ends it early is the behaviour under test.
constexpr std::chrono::hours kEndlessPause{1};

namespace {

// Drives Command the way a window does: a fetch at once (or when asked), the confirmation
// after an accepted result, idle after the confirmation. Records what the handlers saw.
struct Driver
{
    // On the simulator's line.
    Driver(TOpPoller *p, const Sim &sim)
        : Driver(p)
    {
        p->Port = QString::fromStdString(sim.slaveName());
    }
    explicit Driver(TOpPoller *p)
        : poller(p)
    {
        p->OnStarting = [this](TOpPoller *) { events += "Starting;"; };
        p->OnStoping = [this](TOpPoller *) { events += "Stoping;"; };
        p->OnErrorOpenPort = [this](TOpPoller *) { events += "ErrorOpenPort;"; };
        p->OnGetNumber = [this](TOpPoller *s) {
            ++getNumbers;
            s->DeviceNumber = address;
            if (wantResult) {
                s->Command = firstCode;
                wantResult = false;
            }
        };
        p->OnPutResult = [this](TOpPoller *s) {
            results.push_back(s->ResultData);
            codes.push_back(s->Command);
            getNumbersAtResult.push_back(getNumbers);
            if (s->Command == Fetch || s->Command == FetchShort || s->Command == Probe)
                s->Command = followUp;
            else if (s->Command == Confirm)
                s->Command = Idle;
        };
    }
    // Stops polling and waits until the thread's end has been handled.
    bool stop();

    TOpPoller *poller;
    uint16_t address = 0;
    bool wantResult = true;
    uint8_t firstCode = Fetch;
    uint8_t followUp = Confirm;
    QString events;
    int getNumbers = 0;
    std::vector<Bytes> results;
    std::vector<uint8_t> codes;
    std::vector<int> getNumbersAtResult;
};

bool waitIdle(TOpPoller &p, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (p.Active() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !p.Active();
}

bool Driver::stop()
{
    poller->Stop();
    return waitIdle(*poller);
}

Bytes frameOf(const Sim &sim, size_t i)
{
    const auto frames = sim.receivedFrames();
    return i < frames.size() ? frames[i] : Bytes();
}

// After a dropped reply Command stays a fetch, so the next cycle asks again: the first result
// handed over must be the second reply, and the dropped one never reaches the handler.
bool firstResultIsTheSecondReply(const Driver &d, const Sim &sim)
{
    QElapsedTimer t;
    t.start();
    while (d.results.empty() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const auto exchanges = sim.exchanges();
    if (d.results.size() != 1 || exchanges.size() != 2)
        return false;
    const Bytes &good = exchanges[1].reply;
    return std::equal(good.begin(), good.end(), d.results[0].begin() + 1);
}

} // namespace

class TestPollers : public QObject
{
    Q_OBJECT
private slots:
    void requestFrameCarriesTheAddress()
    {
        Sim sim(Sim::Family::Tarvo, 0x1234);
        QVERIFY(sim.start());
        TOpTarvo p;
        Driver d(&p, sim);
        d.address = 0x1234;
        p.Start();
        QTRY_COMPARE(d.codes.size(), size_t(2));
        QVERIFY(d.stop());
        QCOMPARE(frameOf(sim, 0), (Bytes{0x94, 0xA3, 0xA2, 0xA1, 0x06}));
        QCOMPARE(frameOf(sim, 1), (Bytes{0x94, 0xA3, 0xA2, 0xA1, 0x09}));
    }

    void tarvoReplyLengths_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("sent");
        QTest::addColumn<int>("kind"); // 0 = dropped
        // Every length of both families is a row of the acceptance table; these few show the
        // whole way from the line to ResultData.
        QTest::newRow("38 -> kind 1") << 38 << 38 << 1;
        QTest::newRow("106 -> kind 4") << 106 << 106 << 4;
        QTest::newRow("105 dropped") << 106 << 105 << 0;
    }
    void tarvoReplyLengths()
    {
        QFETCH(int, length);
        QFETCH(int, sent);
        QFETCH(int, kind);
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.setTarvoLength(length));
        if (sent != length)
            sim.queueFault({Sim::Fault::WrongLength, sent});
        QVERIFY(sim.start());
        TOpTarvo p;
        Driver d(&p, sim);
        d.followUp = Idle;
        p.Start();
        QTRY_VERIFY(!sim.exchanges().empty());
        if (kind == 0) {
            // Dropped without an event; Command stays a fetch, so the next cycle asks again and
            // the first result handed over is the second reply.
            QVERIFY(firstResultIsTheSecondReply(d, sim));
        } else {
            QTRY_COMPARE(d.results.size(), size_t(1));
            const Bytes &r = d.results[0];
            QCOMPARE(r.size(), size_t(129));
            QCOMPARE(int(r[0]), kind);
            const Bytes reply = sim.exchanges()[0].reply;
            QVERIFY(std::equal(reply.begin(), reply.end(), r.begin() + 1));
            QVERIFY(std::all_of(r.begin() + 1 + length, r.end(), [](uint8_t b) { return b == 0; }));
        }
        QVERIFY(d.stop());
    }

    // The buffer is zeroed before each fetch: a shorter result after a longer one carries
    // nothing of the older one past its end.
    void shorterResultLeavesNoStaleBytes()
    {
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.setTarvoLength(106));
        QVERIFY(sim.start());
        TOpTarvo p;
        Driver d(&p, sim);
        d.followUp = Idle;
        p.Start();
        QTRY_COMPARE(d.results.size(), size_t(1));
        QVERIFY(sim.setTarvoLength(38));
        d.wantResult = true;
        QTRY_COMPARE(d.results.size(), size_t(2));
        QVERIFY(d.stop());
        const auto nonZero = [](uint8_t b) { return b != 0; };
        QVERIFY(std::any_of(d.results[0].begin() + 1 + 38, d.results[0].end(), nonZero));
        const Bytes &r = d.results[1];
        QCOMPARE(int(r[0]), 1);
        const Bytes reply = sim.exchanges()[1].reply;
        QCOMPARE(reply.size(), size_t(38));
        QVERIFY(std::equal(reply.begin(), reply.end(), r.begin() + 1));
        QVERIFY(std::none_of(r.begin() + 1 + 38, r.end(), nonZero));
    }

    // Each echo byte is a row of the acceptance table; the last one stands for them here.
    void wrongEchoDropped()
    {
        Sim sim(Sim::Family::Tarvo);
        sim.setTarvoLength(54);
        sim.queueFault({Sim::Fault::WrongEcho, 3});
        QVERIFY(sim.start());
        TOpTarvo p;
        Driver d(&p, sim);
        d.followUp = Idle;
        p.Start();
        QVERIFY(firstResultIsTheSecondReply(d, sim));
        QVERIFY(d.stop());
    }

    // The echo-only replies (confirmation, probe) are accepted and hand over the last result
    // again, kind and all.
    void shortCodesCopyTheLastLongReply_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("confirmation") << int(Confirm);
        QTest::newRow("probe") << int(Probe);
    }
    void shortCodesCopyTheLastLongReply()
    {
        QFETCH(int, code);
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start());
        TOpTarvo p;
        Driver d(&p, sim);
        d.followUp = uint8_t(code);
        p.Start();
        QTRY_VERIFY(d.results.size() >= 2);
        QVERIFY(d.stop());
        QCOMPARE(int(d.codes[1]), code);
        QCOMPARE(d.results[1], d.results[0]);
        QCOMPARE(int(d.results[1][0]), 4);
        QCOMPARE(frameOf(sim, 1), (Bytes{0x90, 0xA0, 0xA0, 0xA0, uint8_t(code)}));
    }

    void mirelReplies_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("sent"); // 0 = the true length
        QTest::addColumn<bool>("accepted");
        QTest::newRow("234 accepted") << int(Fetch) << 0 << true;
        QTest::newRow("233 dropped") << int(Fetch) << 233 << false;
        // One byte more than asked for: the read ends short of the echo, and the byte left
        // on the line must not spoil the next reply.
        QTest::newRow("235 dropped") << int(Fetch) << 235 << false;
        QTest::newRow("short fetch, 76 accepted") << int(FetchShort) << 0 << true;
    }
    void mirelReplies()
    {
        QFETCH(int, code);
        QFETCH(int, sent);
        QFETCH(bool, accepted);
        Sim sim(Sim::Family::Mirel);
        if (sent)
            sim.queueFault({Sim::Fault::WrongLength, sent});
        QVERIFY(sim.start());
        TOpMirel p;
        Driver d(&p, sim);
        d.firstCode = uint8_t(code);
        d.followUp = Idle;
        p.Start();
        QTRY_VERIFY(!sim.exchanges().empty());
        if (accepted) {
            QTRY_COMPARE(d.results.size(), size_t(1));
            QCOMPARE(d.results[0].size(), size_t(235));
            QCOMPARE(int(d.results[0][0]), 64);
            const Bytes reply = sim.exchanges()[0].reply;
            QVERIFY(std::equal(reply.begin(), reply.end(), d.results[0].begin() + 1));
        } else {
            QVERIFY(firstResultIsTheSecondReply(d, sim));
        }
        QVERIFY(d.stop());
    }

    void unopenablePortEvents()
    {
        TOpTarvo p;
        p.Port = QStringLiteral("/nonexistent/ttyNone");
        Driver d(&p);
        p.Start();
        QVERIFY(p.Active());
        QVERIFY(waitIdle(p));
        QCOMPARE(d.events, QStringLiteral("Starting;ErrorOpenPort;Stoping;"));
        QCOMPARE(d.getNumbers, 0);
    }

    void startTwiceStopIdle()
    {
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start());
        TOpTarvo p;
        Driver d(&p, sim);
        p.Stop(); // idle: nothing
        QCOMPARE(d.events, QString());
        p.Start();
        p.Start();
        QCOMPARE(d.events, QStringLiteral("Starting;"));
        QTRY_COMPARE(d.codes.size(), size_t(2));
        p.Stop();
        QVERIFY(d.stop());
        QCOMPARE(d.events, QStringLiteral("Starting;Stoping;"));
    }

    // A put-result handler that moves from the fetch to the confirmation gets the confirmation
    // in the same cycle.
    void acknowledgementInTheSameCycle()
    {
        Sim sim(Sim::Family::Mirel);
        QVERIFY(sim.start());
        TOpMirel p;
        Driver d(&p, sim);
        p.Start();
        QTRY_COMPARE(d.codes.size(), size_t(2));
        QVERIFY(d.stop());
        QCOMPARE(d.codes, (std::vector<uint8_t>{Fetch, Confirm}));
        QCOMPARE(d.getNumbersAtResult[0], d.getNumbersAtResult[1]);
        QCOMPARE(int(p.Command), int(Idle));
        // With Command back at idle nothing more goes out on the line.
        QCOMPARE(sim.receivedFrames().size(), size_t(2));
    }

    // With nothing to ask, a cycle is followed by a pause before the next get-number step:
    // the thread sends nothing and does not spin. Stop ends the pause.
    void idleCycleIsFollowedByThePause()
    {
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start());
        TOpTarvo p;
        p.setIdlePause(kEndlessPause);
        Driver d(&p, sim);
        d.wantResult = false;
        p.Start();
        QTRY_COMPARE(d.getNumbers, 1);
        // A thread that skipped the pause would be back many times over by now.
        QTest::qWait(200);
        QCOMPARE(d.getNumbers, 1);
        QVERIFY(d.stop());
        QCOMPARE(d.getNumbers, 1);
        QVERIFY(sim.receivedFrames().empty());
    }

    // A stop asked for inside the get-number step, just before the pause begins, ends the
    // pause at once: the thread must not sleep through the request it was given.
    void stopInsideTheStepEndsThePause()
    {
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start());
        TOpTarvo p;
        p.setIdlePause(kEndlessPause);
        p.Port = QString::fromStdString(sim.slaveName());
        int calls = 0;
        p.OnGetNumber = [&](TOpPoller *s) {
            ++calls;
            s->Stop();
        };
        bool stopped = false;
        p.OnStoping = [&](TOpPoller *) { stopped = true; };
        p.Start();
        QVERIFY(waitIdle(p));
        QVERIFY(stopped);
        QCOMPARE(calls, 1);
        QVERIFY(sim.receivedFrames().empty());
    }

    void hangUpEndsPollingAndRestartWorks()
    {
        Sim sim(Sim::Family::Tarvo);
        const QString link = QDir::temp().filePath(
            QStringLiteral("reg01-pollers-%1").arg(QCoreApplication::applicationPid()));
        QVERIFY(sim.start(link.toStdString()));
        TOpTarvo p;
        p.Port = link;
        Driver d(&p);
        d.wantResult = false;
        p.Start();
        QTRY_VERIFY(d.getNumbers >= 1);
        d.firstCode = Fetch;
        sim.queueFault({Sim::Fault::HangUp, 0});
        d.wantResult = true;
        QVERIFY(waitIdle(p));
        QVERIFY(d.events.endsWith(QStringLiteral("Stoping;")));
        QVERIFY(d.results.empty());

        QVERIFY(sim.reopen());
        d.wantResult = true;
        p.Start();
        QTRY_COMPARE(d.codes.size(), size_t(2));
        QVERIFY(d.stop());
    }

    // A line that drops while nothing is asked ends polling at once, not at the next request:
    // the pause watches the line too.
    void hangUpWhileIdleEndsPolling()
    {
        Sim sim(Sim::Family::Mirel);
        QVERIFY(sim.start());
        TOpMirel p;
        p.setIdlePause(kEndlessPause);
        Driver d(&p, sim);
        d.wantResult = false;
        p.Start();
        QTRY_COMPARE(d.getNumbers, 1);
        sim.stop();
        QVERIFY(waitIdle(p));
        QCOMPARE(d.getNumbers, 1);
        QVERIFY(d.events.endsWith(QStringLiteral("Stoping;")));
        QVERIFY(sim.receivedFrames().empty());
    }

    // The thread waits on a UI call while the UI thread destroys the poller: no deadlock, and
    // no handler runs afterwards.
    void destroyWhileTheThreadWaitsOnTheUi()
    {
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start());
        auto p = std::make_unique<TOpTarvo>();
        p->Port = QString::fromStdString(sim.slaveName());
        p->setIdlePause(std::chrono::milliseconds(0)); // straight back to the next call
        bool afterDeath = false;
        bool dead = false;
        int calls = 0;
        p->OnGetNumber = [&](TOpPoller *) {
            ++calls;
            afterDeath = afterDeath || dead;
        };
        p->Start();
        QTRY_VERIFY(calls >= 1);
        // Not processing events: the next get-number call is queued and the thread waits on it.
        QThread::msleep(50);
        p.reset(); // returns only once the thread has ended: a deadlock never gets past here
        dead = true;
        QCoreApplication::processEvents();
        QTest::qWait(50);
        QVERIFY(!afterDeath);
    }

    // Start, stop and destroy at random moments against a live instrument.
    void stressStartStopDestroy()
    {
        Sim tarvo(Sim::Family::Tarvo);
        Sim mirel(Sim::Family::Mirel);
        QVERIFY(tarvo.start());
        QVERIFY(mirel.start());
        std::mt19937 rng(12345);
        int stoppings = 0, starts = 0;
        for (int round = 0; round < 200; ++round) {
            std::unique_ptr<TOpPoller> p;
            if (round % 2)
                p = std::make_unique<TOpTarvo>();
            else
                p = std::make_unique<TOpMirel>();
            p->Port = QString::fromStdString((round % 2 ? tarvo : mirel).slaveName());
            p->OnStoping = [&](TOpPoller *) { ++stoppings; };
            p->OnGetNumber = [&](TOpPoller *s) {
                s->Command = rng() % 3 == 0 ? uint8_t(Fetch) : s->Command;
            };
            p->OnPutResult = [](TOpPoller *s) { s->Command = s->Command == Fetch ? Confirm : Idle; };
            p->Start();
            ++starts;
            const int wait = int(rng() % 60);
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < wait)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            switch (rng() % 3) {
            case 0: // destroy while active
                break;
            case 1: // stop and destroy at once
                p->Stop();
                break;
            default: // stop and let it end
                p->Stop();
                QVERIFY(waitIdle(*p));
                break;
            }
        }
        QVERIFY(stoppings <= starts);
        // Both instruments still answer: no port left locked by a thread that never ended.
        TOpTarvo last;
        last.Port = QString::fromStdString(tarvo.slaveName());
        Driver d(&last);
        last.Start();
        QTRY_COMPARE(d.codes.size(), size_t(2));
        last.Stop();
        QVERIFY(waitIdle(last));
    }
};

QTEST_GUILESS_MAIN(TestPollers)
#include "tst_pollers.moc"
