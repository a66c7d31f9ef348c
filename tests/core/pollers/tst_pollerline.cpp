// The poller and its line: replies dropped by reason and followed by a pause, and a line that
// is lost while polling and opened again.

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <sys/stat.h>

#include "pollers/RequestCode.h"
#include "pollers/TOpMirel.h"
#include "pollers/TOpTarvo.h"
#include "sim/InstrumentSim.h"

using Sim = InstrumentSim;
using namespace RequestCode;
using namespace std::chrono_literals;

namespace {

// A window's use of the poller in short: fetch when asked, confirm a result, then idle. It
// keeps the results it took and what the line did.
struct Line
{
    explicit Line(TOpPoller &p, const QString &port)
        : poller(p)
    {
        p.Port = port;
        p.OnGetNumber = [this](TOpPoller *s) {
            if (std::exchange(wantResult, false))
                s->Command = Fetch;
        };
        p.OnPutResult = [this](TOpPoller *s) {
            if (s->Command == Fetch) {
                results.push_back(s->ResultData);
                s->Command = Confirm;
            } else {
                ++confirmed;
                s->Command = Idle;
            }
        };
        QObject::connect(&p, &TOpPoller::replyDropped, [this](TReplyVerdict v) { ++dropped[v]; });
        QObject::connect(&p, &TOpPoller::lineLost, [this](int) { events += "Lost;"; });
        QObject::connect(&p, &TOpPoller::lineRestored, [this] { events += "Restored;"; });
        QObject::connect(&p, &TOpPoller::reconnectFailed, [this](int e) { retries.push_back(e); });
    }
    bool stop()
    {
        poller.Stop();
        return QTest::qWaitFor([this] { return !poller.Active(); }, 5000);
    }

    TOpPoller &poller;
    bool wantResult = true;
    QString events;
    std::vector<std::vector<uint8_t>> results;
    int confirmed = 0;
    std::map<TReplyVerdict, int> dropped;
    std::vector<int> retries;
};

// The group the instrument sent with each result taken, found by the result's bytes.
std::vector<int> groupsOf(const Line &line, const Sim &sim)
{
    std::vector<int> groups;
    const auto log = sim.exchanges();
    for (const auto &r : line.results) {
        for (const auto &e : log) {
            if (e.resultFrame && !e.reply.empty()
                && std::equal(e.reply.begin(), e.reply.end(), r.begin() + 1))
                groups.push_back(e.groupOrCount);
        }
    }
    return groups;
}

// What stands at the port's path while the line is gone: nothing, a file or a FIFO.
bool putAt(const QString &path, const QString &what)
{
    if (what == "fifo")
        return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    QFile f(path);
    return what.isEmpty() || f.open(QIODevice::WriteOnly);
}

} // namespace

class TestPollerLine : public QObject
{
    Q_OBJECT
private slots:
    // A dropped reply is told with its reason, and the cycle that dropped it pauses: with an
    // endless pause exactly one request goes out, where the thread used to ask again at once.
    void droppedReplyIsToldAndPaused_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<TReplyVerdict>("verdict");
        QTest::newRow("garbage ahead") << int(Sim::Fault::Garbage) << TReplyVerdict::WrongEcho;
        QTest::newRow("wrong echo") << int(Sim::Fault::WrongEcho) << TReplyVerdict::WrongEcho;
        QTest::newRow("cut short") << int(Sim::Fault::ShortReply) << TReplyVerdict::WrongLength;
        QTest::newRow("silence") << int(Sim::Fault::Silence) << TReplyVerdict::NoReply;
    }
    void droppedReplyIsToldAndPaused()
    {
        QFETCH(int, fault);
        QFETCH(TReplyVerdict, verdict);
        Sim sim(Sim::Family::Mirel);
        sim.queueFault({Sim::Fault::Kind(fault), 1});
        QVERIFY(sim.start());
        TOpMirel p;
        p.setIdlePause(1h);
        Line line(p, QString::fromStdString(sim.slaveName()));
        p.Start();
        QTRY_COMPARE(line.dropped[verdict], 1);
        QTest::qWait(300);
        QCOMPARE(sim.receivedFrames().size(), size_t(1));
        QVERIFY(line.stop());
        QCOMPARE(line.dropped.size(), size_t(1));
        QVERIFY(line.results.empty());
    }

    // A dropped cycle is made up to the idle pause, no more: after a read that waited out the
    // first family's 200 ms time-out the next request goes out at once (it used to wait 100 ms
    // more), while junk that comes at once still keeps the requests the pause apart. The
    // shortest of three gaps after a dropped reply, so that a busy machine cannot fail it.
    void droppedCycleKeepsThePace_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("least"); // ms
        QTest::addColumn<int>("most");
        QTest::newRow("silence") << int(Sim::Fault::Silence) << 190 << 260;
        QTest::newRow("instant garbage") << int(Sim::Fault::Garbage) << 95 << 160;
    }
    void droppedCycleKeepsThePace()
    {
        QFETCH(int, fault);
        QFETCH(int, least);
        QFETCH(int, most);
        using Clock = std::chrono::steady_clock;
        std::mutex mutex;
        std::vector<Clock::time_point> seen;
        Sim sim(Sim::Family::Tarvo);
        sim.setFrameCallback([&](const std::vector<uint8_t> &) {
            const std::lock_guard lock(mutex);
            seen.push_back(Clock::now());
        });
        for (int i = 0; i < 3; ++i)
            sim.queueFault({Sim::Fault::Kind(fault), 1});
        QVERIFY(sim.start());
        TOpTarvo p;
        Line line(p, QString::fromStdString(sim.slaveName()));
        // A real event loop, as the window has: the test's waits would answer the thread's
        // calls only every 10 ms.
        QEventLoop loop;
        QObject::connect(&p, &TOpPoller::numberTaken, &loop, [&] {
            if (line.confirmed > 0)
                loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        p.Start();
        loop.exec();
        QVERIFY(line.stop());
        QCOMPARE(line.confirmed, 1);
        const std::lock_guard lock(mutex);
        QVERIFY(seen.size() >= 4);
        auto gap = Clock::duration::max();
        for (size_t i = 0; i < 3; ++i)
            gap = std::min(gap, seen[i + 1] - seen[i]);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(gap).count();
        QVERIFY2(ms >= least && ms <= most, qPrintable(QString::number(ms)));
    }

    // The line drops three times while polling, between exchanges or in the middle of one,
    // and the path holds nothing, or something that is no serial port, until the instrument
    // is back (a new node behind the same path). The poller stays active, tries the port at
    // its pace (never faster), asks for the result that was due or confirms the one it took,
    // and Stop ends the retries at once: every result is taken once, none is asked twice.
    void lineComesAndGoes_data()
    {
        QTest::addColumn<int>("dropAt"); // the request the line drops on; 0: while idle
        QTest::addColumn<QString>("between");
        QTest::addColumn<QList<int>>("groups"); // of the results taken
        QTest::addColumn<int>("fetches");
        QTest::newRow("idle, nothing there") << 0 << "" << QList<int>{1, 2, 3, 4} << 4;
        QTest::newRow("on the fetch, a file there") << 1 << "file" << QList<int>{1, 3, 5, 7} << 7;
        QTest::newRow("on the confirmation, a fifo there")
            << 2 << "fifo" << QList<int>{1, 2, 3, 4} << 4;
    }
    void lineComesAndGoes()
    {
        QFETCH(int, dropAt);
        QFETCH(QString, between);
        QFETCH(QList<int>, groups);
        QFETCH(int, fetches);
        QTemporaryDir dir;
        const QString link = dir.filePath("tty");
        Sim sim(Sim::Family::Tarvo);
        QVERIFY(sim.start(link.toStdString()));
        TOpTarvo p;
        p.setReconnectPause(40ms);
        p.setIdlePause(10ms);
        Line line(p, link);
        p.Start();
        QTRY_COMPARE(line.confirmed, 1);
        for (int flap = 0; flap < 3; ++flap) {
            if (dropAt == 0) {
                sim.stop();
            } else {
                if (dropAt == 2)
                    sim.queueFault({});
                sim.queueFault({Sim::Fault::HangUp, 0});
                line.wantResult = true;
            }
            QTRY_VERIFY(line.events.endsWith("Lost;"));
            // The instrument takes its link away just after it hangs up.
            QTRY_VERIFY(!QFileInfo(link).isSymLink());
            QVERIFY(putAt(link, between));
            const size_t before = line.retries.size();
            QTest::qWait(400);
            // Ten pauses fit into the wait; a busy loop would have tried thousands of times.
            QVERIFY(line.retries.size() > before && line.retries.size() - before <= 11);
            QCOMPARE(line.retries.back(), between.isEmpty() ? ENOENT : ENOTTY);
            QFile::remove(link);
            line.wantResult = line.wantResult || dropAt == 0;
            QVERIFY(sim.reopen());
            QTRY_COMPARE(line.confirmed, flap + 2);
        }
        QVERIFY(p.Active());
        sim.stop();
        QTRY_VERIFY(line.events.endsWith("Lost;"));
        QVERIFY(line.stop());
        QCOMPARE(line.events.count("Restored;"), 3);
        const auto taken = groupsOf(line, sim);
        QCOMPARE(QList<int>(taken.begin(), taken.end()), groups);
        int fetched = 0;
        for (const auto &f : sim.receivedFrames())
            fetched += f[4] == Fetch ? 1 : 0;
        QCOMPARE(fetched, fetches);
    }
};

QTEST_GUILESS_MAIN(TestPollerLine)
#include "tst_pollerline.moc"
