#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QTest>

#include <memory>
#include <random>

#include "pollers/TOpMirel.h"
#include "pollers/TOpPollerThread.h"
#include "pollers/TOpTarvo.h"
#include "sim/InstrumentSim.h"

using Sim = InstrumentSim;
using Bytes = std::vector<uint8_t>;

namespace {

// Drives Command the way a window does: 6 at once (or when asked), 9 after an accepted result,
// 0 after the acknowledgement. Records what the handlers saw.
struct Driver
{
    // On the simulator's line.
    Driver(TOpPoller *p, const Sim &sim) : Driver(p)
    {
        p->Port = QString::fromStdString(sim.slaveName());
    }
    explicit Driver(TOpPoller *p) : poller(p)
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
            if (s->Command == 6 || s->Command == 7 || s->Command == 4)
                s->Command = followUp;
            else if (s->Command == 9)
                s->Command = 0;
        };
    }
    // Stops polling and waits until the thread's end has been handled.
    bool stop();

    TOpPoller *poller;
    uint16_t address = 0;
    bool wantResult = true;
    uint8_t firstCode = 6;
    uint8_t followUp = 9;
    QString events;
    int getNumbers = 0;
    std::vector<Bytes> results;
    std::vector<uint8_t> codes;
    std::vector<int> getNumbersAtResult;
};

bool waitIdle(TOpPoller &p, int ms = 3000)
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

// After a dropped reply Command stays 6, so the next cycle asks again: the first result handed
// over must be the second reply, and the dropped one never reaches the handler.
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

class TstPollers : public QObject
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
        QTest::newRow("38 -> kind 1") << 38 << 38 << 1;
        QTest::newRow("54 -> kind 2") << 54 << 54 << 2;
        QTest::newRow("106 -> kind 4") << 106 << 106 << 4;
        QTest::newRow("37 dropped") << 38 << 37 << 0;
        QTest::newRow("39 dropped") << 38 << 39 << 0;
        QTest::newRow("105 dropped") << 106 << 105 << 0;
        QTest::newRow("53 dropped") << 54 << 53 << 0;
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
        d.followUp = 0;
        p.Start();
        QTRY_VERIFY(!sim.exchanges().empty());
        if (kind == 0) {
            // Dropped without an event; Command stays 6, so the next cycle asks again and the
            // first result handed over is the second reply.
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

    void wrongEchoDropped_data()
    {
        QTest::addColumn<int>("echoByte");
        for (int i = 0; i < 4; ++i)
            QTest::addRow("echo byte %d", i) << i;
    }
    void wrongEchoDropped()
    {
        QFETCH(int, echoByte);
        Sim sim(Sim::Family::Tarvo);
        sim.setTarvoLength(54);
        sim.queueFault({Sim::Fault::WrongEcho, echoByte});
        QVERIFY(sim.start());
        TOpTarvo p;
        Driver d(&p, sim);
        d.followUp = 0;
        p.Start();
        QVERIFY(firstResultIsTheSecondReply(d, sim));
        QVERIFY(d.stop());
    }

    // The 4-byte echo of codes 9 and 4 is accepted and hands over the last long reply again.
    void shortCodesCopyTheLastLongReply_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("acknowledge 9") << 9;
        QTest::newRow("code 4") << 4;
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
        QTest::newRow("234 accepted") << 6 << 0 << true;
        QTest::newRow("233 dropped") << 6 << 233 << false;
        QTest::newRow("235 dropped") << 6 << 235 << false;
        QTest::newRow("code 7, 76 accepted") << 7 << 0 << true;
        QTest::newRow("code 7, 75 dropped") << 7 << 75 << false;
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
        d.followUp = 0;
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

    // A put-result handler that moves 6 to 9 gets the acknowledgement in the same cycle.
    void acknowledgementInTheSameCycle()
    {
        Sim sim(Sim::Family::Mirel);
        QVERIFY(sim.start());
        TOpMirel p;
        Driver d(&p, sim);
        p.Start();
        QTRY_COMPARE(d.codes.size(), size_t(2));
        QVERIFY(d.stop());
        QCOMPARE(d.codes, (std::vector<uint8_t>{6, 9}));
        QCOMPARE(d.getNumbersAtResult[0], d.getNumbersAtResult[1]);
        QCOMPARE(int(p.Command), 0);
        // With Command back at 0 nothing more goes out on the line.
        QCOMPARE(sim.receivedFrames().size(), size_t(2));
    }

    // With nothing to ask, a cycle is followed by a short pause: no spinning, and nothing sent.
    void idleCyclesPause()
    {
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start());
        TOpTarvo p;
        Driver d(&p, sim);
        d.wantResult = false;
        p.Start();
        QTest::qWait(1000);
        const int cycles = d.getNumbers;
        QVERIFY(d.stop());
        // A pause after each idle cycle: about ten a second, not thousands.
        QVERIFY2(cycles >= 3 && cycles <= 20, qPrintable(QString::number(cycles)));
        QVERIFY(sim.receivedFrames().empty());
    }

    // A stop asked for inside the get-number step, just before the idle pause begins, ends the
    // pause at once. Without the wake-up every run would take the whole pause; the quickest of
    // a few runs tells the two apart even on a loaded machine.
    void stopEndsThePauseAtOnce()
    {
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start());
        qint64 quickest = 1000000;
        for (int run = 0; run < 5; ++run) {
            TOpTarvo p;
            p.Port = QString::fromStdString(sim.slaveName());
            QElapsedTimer t;
            p.OnGetNumber = [&](TOpPoller *s) {
                if (!t.isValid()) {
                    t.start();
                    s->Stop();
                }
            };
            qint64 took = -1;
            p.OnStoping = [&](TOpPoller *) { took = t.elapsed(); };
            p.Start();
            QVERIFY(waitIdle(p));
            QVERIFY(took >= 0);
            quickest = std::min(quickest, took);
        }
        QVERIFY2(quickest < TOpPollerThread::IdlePauseMs / 2, qPrintable(QString::number(quickest)));
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
        d.firstCode = 6;
        sim.queueFault({Sim::Fault::HangUp, 0});
        d.wantResult = true;
        QVERIFY(waitIdle(p, 3000));
        QVERIFY(d.events.endsWith(QStringLiteral("Stoping;")));
        QVERIFY(d.results.empty());

        QVERIFY(sim.reopen());
        d.wantResult = true;
        p.Start();
        QTRY_COMPARE(d.codes.size(), size_t(2));
        QVERIFY(d.stop());
    }

    // A line that drops while nothing is asked ends polling at once, not at the next request.
    void hangUpWhileIdleEndsPolling()
    {
        Sim sim(Sim::Family::Mirel);
        QVERIFY(sim.start());
        TOpMirel p;
        Driver d(&p, sim);
        d.wantResult = false;
        p.Start();
        QTRY_VERIFY(d.getNumbers >= 2);
        sim.hangUp();
        QVERIFY(waitIdle(p, 2000));
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
        QThread::msleep(250);
        QElapsedTimer t;
        t.start();
        p.reset();
        dead = true;
        QVERIFY(t.elapsed() < 1000);
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
            p->OnGetNumber = [&](TOpPoller *s) { s->Command = rng() % 3 == 0 ? 6 : s->Command; };
            p->OnPutResult = [](TOpPoller *s) { s->Command = s->Command == 6 ? 9 : 0; };
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

QTEST_GUILESS_MAIN(TstPollers)
#include "tst_pollers.moc"
