// The poller and its line: why a port did not open, replies dropped by reason and followed by
// a pause, the frame log, and a line that is lost while polling and opened again.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "pollers/RequestCode.h"
#include "pollers/TOpMirel.h"
#include "pollers/TOpTarvo.h"
#include "serial/TCustomComPort.h"
#include "sim/InstrumentSim.h"

using Sim = InstrumentSim;
using namespace RequestCode;
using namespace std::chrono_literals;

namespace {

// A window's use of the poller in short: fetch when asked, confirm a result, then idle. It
// keeps the results it took and what the line did.
struct Line
{
    explicit Line(TOpPoller &p, const QString &port) : poller(p)
    {
        p.Port = port;
        p.OnErrorOpenPort = [this](TOpPoller *) { events += "ErrorOpenPort;"; };
        p.OnStoping = [this](TOpPoller *) { events += "Stoping;"; };
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

// The group (or count) the instrument sent with each result taken, found by its bytes.
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

bool makeFifo(const QString &path)
{
    return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool makeFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

} // namespace

class TstPollerLine : public QObject
{
    Q_OBJECT
private slots:
    // A port that does not open at start is the error event with the device and the reason,
    // also when reconnection is on: there is no silent retry at start.
    void openFailureKeepsDeviceAndReason_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << "missing" << ENOENT;
        QTest::newRow("regular file") << "file" << ENOTTY;
        QTest::newRow("fifo") << "fifo" << ENOTTY;
        QTest::newRow("folder") << "folder" << EISDIR;
        QTest::newRow("held by another copy") << "busy" << EWOULDBLOCK;
    }
    void openFailureKeepsDeviceAndReason()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        QTemporaryDir dir;
        Sim sim(Sim::Family::Tarvo);
        QString device = dir.filePath("port");
        TComPort holder;
        if (kind == "file")
            QVERIFY(makeFile(device));
        else if (kind == "fifo")
            QVERIFY(makeFifo(device));
        else if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir("port"));
        if (kind == "busy") {
            QVERIFY(sim.start(device.toStdString()));
            holder.SetPort(device);
            holder.Open();
        }
        TOpTarvo p;
        p.setReconnectPause(10ms);
        Line line(p, device);
        p.Start();
        QVERIFY(QTest::qWaitFor([&] { return !p.Active(); }, 5000));
        QCOMPARE(line.events, QStringLiteral("ErrorOpenPort;Stoping;"));
        QCOMPARE(p.openFailure().device, device);
        QCOMPARE(p.openFailure().error, error);
    }

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

    void frameLogHoldsEveryExchange()
    {
        QTemporaryDir dir;
        Sim sim(Sim::Family::Tarvo);
        sim.setTarvoLength(38);
        sim.queueFault({Sim::Fault::WrongEcho, 0});
        QVERIFY(sim.start());
        TOpTarvo p;
        p.setFrameLog(dir.filePath("frames.log"));
        Line line(p, QString::fromStdString(sim.slaveName()));
        p.Start();
        QTRY_COMPARE(line.confirmed, 1);
        QVERIFY(line.stop());
        QFile f(dir.filePath("frames.log"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = f.readAll().split('\n');
        lines.removeAll(QByteArray());
        QCOMPARE(lines.size(), 6); // the dropped fetch, the fetch again, the confirmation
        const char *ends[] = {"> 90 a0 a0 a0 06", "< [38] wrong echo", "> 90 a0 a0 a0 06",
                              "< [38] accepted", "> 90 a0 a0 a0 09",
                              "< [4] accepted: 90 a0 a0 a0"};
        for (int i = 0; i < 6; ++i)
            QVERIFY2(lines[i].contains(ends[i]), lines[i].constData());
    }

    // The line is lost while polling, in the middle of an exchange or between exchanges; the
    // poller stays active, opens the port again when it is back (a new node behind the same
    // path) and asks for the result that was due: every result is taken once, none is lost.
    void lostLineIsOpenedAgain_data()
    {
        QTest::addColumn<Sim::Family>("family");
        QTest::addColumn<int>("dropAt"); // the request the line drops on; 0: while idle
        QTest::newRow("tarvo, on the fetch") << Sim::Family::Tarvo << 1;
        QTest::newRow("tarvo, on the confirmation") << Sim::Family::Tarvo << 2;
        QTest::newRow("mirel, on the fetch") << Sim::Family::Mirel << 1;
        QTest::newRow("mirel, while idle") << Sim::Family::Mirel << 0;
    }
    void lostLineIsOpenedAgain()
    {
        QFETCH(Sim::Family, family);
        QFETCH(int, dropAt);
        QTemporaryDir dir;
        const QString link = dir.filePath("tty");
        Sim sim(family);
        for (int i = 1; i < dropAt; ++i)
            sim.queueFault({});
        if (dropAt > 0)
            sim.queueFault({Sim::Fault::HangUp, 0});
        QVERIFY(sim.start(link.toStdString()));
        std::unique_ptr<TOpPoller> p;
        if (family == Sim::Family::Tarvo)
            p = std::make_unique<TOpTarvo>();
        else
            p = std::make_unique<TOpMirel>();
        p->setReconnectPause(50ms);
        p->setIdlePause(20ms);
        Line line(*p, link);
        line.wantResult = dropAt > 0;
        p->Start();
        if (dropAt == 0) {
            QTest::qWait(100);
            sim.stop();
        }
        QTRY_COMPARE(line.events, QStringLiteral("Lost;"));
        QTest::qWait(200); // retries while the port is missing
        QVERIFY(p->Active());
        QVERIFY(!line.retries.empty());
        QCOMPARE(line.retries.back(), ENOENT);

        if (dropAt == 0)
            line.wantResult = true;
        QVERIFY(sim.reopen());
        QTRY_COMPARE(line.confirmed, 1);
        QCOMPARE(line.events, QStringLiteral("Lost;Restored;"));
        QVERIFY(line.stop());
        // The result taken is the one the instrument gave last; on the confirmation's drop it
        // is the first, which the instrument never saw confirmed and confirms now.
        const auto log = sim.exchanges();
        int lastResult = -1;
        for (const auto &e : log)
            lastResult = e.resultFrame ? e.groupOrCount : lastResult;
        QCOMPARE(groupsOf(line, sim), std::vector<int>{lastResult});
        QCOMPARE(log.back().request[4], uint8_t(Confirm));
    }

    // A port that comes and goes, or returns as something that is no serial port: the poller
    // keeps trying at its pace (never faster), Stop ends it at once, nothing is taken twice.
    void flappingAndStrangePorts_data()
    {
        QTest::addColumn<QString>("between"); // what stands at the path while the line is gone
        QTest::newRow("nothing") << "";
        QTest::newRow("regular file") << "file";
        QTest::newRow("fifo") << "fifo";
    }
    void flappingAndStrangePorts()
    {
        QFETCH(QString, between);
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
        for (int flap = 0; flap < 4; ++flap) {
            sim.stop();
            QTRY_VERIFY(line.events.endsWith("Lost;"));
            if (between == "file")
                QVERIFY(makeFile(link));
            else if (between == "fifo")
                QVERIFY(makeFifo(link));
            const size_t before = line.retries.size();
            QTest::qWait(400);
            // Ten pauses fit into the wait; a busy loop would have tried thousands of times.
            QVERIFY(line.retries.size() - before <= 11);
            QVERIFY(line.retries.size() > before);
            QCOMPARE(line.retries.back(), between.isEmpty() ? ENOENT : ENOTTY);
            QFile::remove(link);
            line.wantResult = true;
            QVERIFY(sim.reopen());
            QTRY_COMPARE(line.confirmed, flap + 2);
        }
        QVERIFY(p.Active());
        sim.stop();
        QTRY_VERIFY(line.events.endsWith("Lost;"));
        QVERIFY(line.stop()); // ends the reconnection at once
        QCOMPARE(line.events.count("Restored;"), 4);
        // Groups count up by one per result sent: one taken twice or lost would show.
        QCOMPARE(groupsOf(line, sim), (std::vector<int>{1, 2, 3, 4, 5}));
    }
};

QTEST_GUILESS_MAIN(TstPollerLine)
#include "tst_pollerline.moc"
